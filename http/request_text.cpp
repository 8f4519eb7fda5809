#include "http/request_text.h"

std::string RequestText(const std::string& path, const std::string& host,
                        const std::string& osToken, const std::string& homePageUrl,
                        uint32_t rangeStart)
{
    std::string text;
    text += "GET " + path + " HTTP/1.0\r\n";
    text += "User-Agent: Mozilla/4.0 (compatible; R-FIG KORVAN;" + osToken + " " + homePageUrl + ")\r\n";
    text += "Accept-Encoding: gzip, deflate\r\n";
    text += "Host: " + host + "\r\n";
    text += "Korvan-Client-Type: download\r\n";
    if (rangeStart > 0)
        text += "Range: bytes=" + std::to_string(rangeStart) + "-\r\n";
    text += "\r\n";
    return text;
}
