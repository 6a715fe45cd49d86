#include "UnitError.h"

TOutdoorCloseReason CloseReasonOf(int Code)
{
    switch (Code) {
    case 1: case 3: case 4: case 21: case 22: case 23: case 90:
        return ocrSystem;
    case 2:
        return ocrConnect;
    case 10: case 20:
        return ocrReconnect;
    case 11:
        return ocrAuth;
    case 13:
        return ocrAuthUser;
    case 14:
        return ocrIPDenied;
    case 15:
        return ocrVersionOld;
    default:
        return ocrNone;
    }
}

QLatin1StringView ToName(TOutdoorCloseReason Err)
{
    switch (Err) {
    case ocrNone: return QLatin1StringView("ocrNone");
    case ocrReconnect: return QLatin1StringView("ocrReconnect");
    case ocrSystem: return QLatin1StringView("ocrSystem");
    case ocrAuth: return QLatin1StringView("ocrAuth");
    case ocrAuthUser: return QLatin1StringView("ocrAuthUser");
    case ocrIPDenied: return QLatin1StringView("ocrIPDenied");
    case ocrVersionOld: return QLatin1StringView("ocrVersionOld");
    case ocrConnect: return QLatin1StringView("ocrConnect");
    }
    return {};
}
