#pragma once

#include "UFormHelper.h"

#include <QWidget>

#include <memory>

// The base of embedded panels: a helper, an enabled hook and a start hook.
class TUFrameCustom : public QWidget {
    Q_OBJECT
public:
    explicit TUFrameCustom(QWidget *parent = nullptr);
    ~TUFrameCustom() override;

    TUFormHelper &Helper() const { return *FHelper; }
    // The control's own enabled state, then UpdateEnabled.
    void SetEnabled(bool Value);
    void TryFocus(QWidget *Win);

    virtual void Start() {}
    virtual void UpdateEnabled() {}

private:
    std::unique_ptr<TUFormHelper> FHelper;
};
