#pragma once

#include "UFCustom.h"

class QGroupBox;

// A form split into a client group box (GBTop) and a 40-pixel button bar (GBBottom).
class TUFormCustomGroup : public TUFormCustom {
    Q_OBJECT
public:
    explicit TUFormCustomGroup(QWidget *parent = nullptr);

    QGroupBox *GBTop;
    QGroupBox *GBBottom;
};
