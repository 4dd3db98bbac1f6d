#include "system/WebAddress.h"

bool WebAddress::valid(const std::string &url)
{
    if (url.size() > 512) return false;
    for (unsigned char c : url)
        if (c <= ' ' || c >= 127) return false;
    if (url.rfind("http://", 0) != 0 && url.rfind("https://", 0) != 0) return false;
    const std::size_t host = url.find("//") + 2;
    return host < url.size() && url[host] != '/';
}
