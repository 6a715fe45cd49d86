#pragma once

// The download anchor of the benchmarks: a plain libcurl program writing through a 256 KiB
// stdio buffer. Returns 0 on success.
#include <curl/curl.h>

#include <cstdio>

inline int PlainCurlDownload(const char *url, const char *target)
{
    FILE *out = std::fopen(target, "wb");
    if (!out)
        return 2;
    static char buf[256 * 1024];
    std::setvbuf(out, buf, _IOFBF, sizeof buf);
    CURL *c = curl_easy_init();
    curl_easy_setopt(c, CURLOPT_URL, url);
    curl_easy_setopt(c, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, out);
    const CURLcode rc = curl_easy_perform(c);
    curl_easy_cleanup(c);
    std::fclose(out);
    return rc == CURLE_OK ? 0 : 1;
}
