// Download throughput of the update engine next to a plain libcurl program, one transfer per
// process so that the script can time each pairwise with curl(1) and read the peak memory:
//   bench_download engine  DESCRIPTOR_URL PROGRAM_DIR/   (what "update.exe -download" does)
//   bench_download libcurl FILE_URL TARGET_FILE           (the anchor: 256 KiB buffer, fwrite)
#include "PlainCurl.h"
#include "UpdateMaster.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <curl/curl.h>

#include <cstdio>
#include <cstring>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s engine|libcurl URL TARGET\n", argv[0]);
        return 2;
    }
    curl_global_init(CURL_GLOBAL_DEFAULT);
    QElapsedTimer t;
    t.start();
    int rc;
    if (std::strcmp(argv[1], "libcurl") == 0) {
        rc = PlainCurlDownload(argv[2], argv[3]);
    } else {
        QCoreApplication app(argc, argv);
        TUpdateMaster um;
        um.SetUpdateURL(QString::fromLocal8Bit(argv[2]));
        um.SetDir(QString::fromLocal8Bit(argv[3]));
        rc = um.DownloadUpdate() ? 0 : 1;
        if (rc)
            std::fprintf(stderr, "%s\n", um.Error().toLocal8Bit().constData());
    }
    std::printf("%.3f\n", t.nsecsElapsed() / 1e9);
    return rc;
}
