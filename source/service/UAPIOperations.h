#pragma once

#include "UAPIDataFields.h"

// The service's scripts (relative to its base URL), actions and file-store names, and the
// parameters each operation sends first, in their order.
class TAPIOperations {
public:
    static constexpr const char *ScriptConnect = "connect.php";
    static constexpr const char *ScriptQuery = "query.php";
    static constexpr const char *ScriptFileGet = "filebase_get.php"; // by GET

    static constexpr const char *ActionDisconnect = "disconnect";
    static constexpr const char *ActionCache = "cache";
    static constexpr const char *ActionFileAdd = "filebase_add";
    static constexpr const char *ActionFileSet = "filebase_set";

    // File store: request parameters, answer columns, and the form field of the file part.
    static constexpr const char *FileID = "fid";
    static constexpr const char *FileHash = "fhash";
    static constexpr const char *FileUpdated = "updated";
    static constexpr const char *FileExt = "ext";
    static constexpr const char *FileField = "data";

    // connect.php; the last one is the request signature.
    static constexpr TDataFieldType ConnectParams[] = {dft_xdb, dft_xid, dft_comp_id, dft_comp_name, dft_version,
                                                       dft_hash};
    // Every query.php request, before the caller's own parameters.
    static constexpr TDataFieldType SessionParams[] = {dft_sidh, dft_action};
};
