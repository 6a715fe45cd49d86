#pragma once

#include "UFrProgress.h"

// The 36 x 36 green indicator the task-bound forms show while a service task runs.
class TFrameProgressBase : public TUFrameProgress {
    Q_OBJECT
public:
    explicit TFrameProgressBase(QWidget *parent = nullptr);
};
