#pragma once

#include <QString>

#include <cstdint>
#include <functional>
#include <initializer_list>

// Message types in the platform's order (the index of their captions).
enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
// Standard buttons in the order of their captions.
enum TMsgDlgBtn : uint8_t { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose };
// The modal result of the button chosen; mrNone when the box was closed without one.
enum TModalResult : int32_t {
    mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
    mrClose = 8, mrHelp = 9, mrAll = 12, mrNoToAll = 13, mrYesToAll = 14,
};
TModalResult ModalResultOf(TMsgDlgBtn Button);

// A set of standard buttons.
class TMsgDlgButtons {
public:
    constexpr TMsgDlgButtons() = default;
    TMsgDlgButtons(std::initializer_list<TMsgDlgBtn> Buttons)
    {
        for (TMsgDlgBtn b : Buttons)
            FBits |= Bit(b);
    }
    bool Contains(TMsgDlgBtn Button) const { return FBits & Bit(Button); }
    bool IsEmpty() const { return FBits == 0; }
    bool operator==(const TMsgDlgButtons &) const = default;

private:
    static uint16_t Bit(TMsgDlgBtn b) { return uint16_t(1u << b); }
    uint16_t FBits = 0;
};

// One modal message box as the caller asks for it.
struct TUMessageBoxRequest {
    TMsgDlgType DlgType = mtInformation;
    QString Msg;
    TMsgDlgButtons Buttons;
    TMsgDlgBtn DefaultButton = mbOK;
};

// The seam through which every part of the programs shows a message box. The libraries never
// link a widget set: a program installs the handler that shows real boxes, tests one that
// records the request and answers as the test says.
class TUMessageBox {
public:
    using THandler = std::function<TModalResult(const TUMessageBoxRequest &Request)>;

    TUMessageBox() = delete;

    // Shows the box and waits until it is closed. Without a handler there is nobody to ask: the
    // message goes to the standard error stream and the result is mrNone.
    static TModalResult Show(const TUMessageBoxRequest &Request);
    // Installs a handler (an empty one removes it); returns the previous one.
    static THandler SetHandler(THandler Handler);

    // The standard boxes. Every box is modal and centred on the screen.
    // Confirmation with Yes and No; true exactly when Yes was chosen.
    static bool YesNo(const QString &Msg);
    static TModalResult Custom(const QString &Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, TMsgDlgBtn DefaultButton);
    // Warning type with one OK button.
    static void Error(const QString &Msg);
    // Error type with one OK button.
    static void CriticalError(const QString &Msg);
    static void Info(const QString &Msg);
};
