#pragma once

#include "UFrCustom.h"

class TUWiiProgressBar;

// A frame filled by one block indicator, still until Start and still again after Stop.
class TUFrameProgress : public TUFrameCustom {
    Q_OBJECT
public:
    explicit TUFrameProgress(QWidget *parent = nullptr);

    // The indicator moves: it is enabled.
    void Start() override;
    // It stops where it is.
    void Stop();

    TUWiiProgressBar *Progress;
};
