#pragma once

#include "UMessageBox.h"

#include <QString>

#include <array>
#include <memory>

class QMessageBox;

// Captions by message type: warning, error, information, confirmation, custom.
using TUDialogsCaptions = std::array<QString, 5>;
// Button captions: Yes, No, OK, Cancel, Abort, Retry, Ignore, All, No to all, Yes to all,
// Help, Close.
using TUDialogButtonCaptions = std::array<QString, 12>;

// The message boxes of the programs on QMessageBox. The operations inherited from TUMessageBox
// (YesNo, Custom, Error, CriticalError, Info) pass through its seam, so a test's recorder sees
// them too; Install makes the seam show real boxes.
class TUDialogs : public TUMessageBox {
public:
    TUDialogs() = delete;

    // Captions of the warning, error, information and confirmation boxes: the first four texts,
    // empty ones included.
    static void Locale(const TUDialogsCaptions &Captions);
    // Each standard button whose text here is not empty takes it as its caption.
    static void Locale(const TUDialogButtonCaptions &ButtonCaptions);
    static QString Caption(TMsgDlgType DlgType);
    static QString ButtonCaption(TMsgDlgBtn Button);

    // The box for a request, not yet shown: type's caption and icon, the text with "\n\r" as
    // one line break, the buttons with their captions.
    static std::unique_ptr<QMessageBox> CreateBox(const TUMessageBoxRequest &Request);
    // Shows the box modally; the modal result of the button chosen, mrNone when none was.
    static TModalResult ShowBox(const TUMessageBoxRequest &Request);
    // Makes the seam show boxes with ShowBox. On platforms without a screen (offscreen,
    // minimal) nobody could close a box, so the seam keeps printing the message instead.
    static void Install();
};
