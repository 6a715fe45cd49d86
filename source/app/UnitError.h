#pragma once

#include <QLatin1StringView>

#include <cstdint>
#include <functional>

// Why the program as a whole must react to an answer, in the order of their codes.
enum TOutdoorCloseReason : uint8_t {
    ocrNone,       // nothing to do
    ocrReconnect,  // the session is closed: sign in again
    ocrSystem,     // a fault on the service's side
    ocrAuth,       // the connection settings were refused
    ocrAuthUser,   // the user's sign-in was refused
    ocrIPDenied,   // the workstation's address is refused
    ocrVersionOld, // the program is too old for the service
    ocrConnect,    // the service could not be reached
};

// The program's callback for every close reason that error processing handled.
using TComplexError = std::function<void(TOutdoorCloseReason Err)>;

// The close reason an answer's error code asks for; ocrNone for 0 and every code that needs no
// reaction of the program.
TOutdoorCloseReason CloseReasonOf(int Code);
// The reason's name as the debug log writes it ("ocrConnect").
QLatin1StringView ToName(TOutdoorCloseReason Err);
