#include "RunIdentity.h"

#include "Sha256.h"

std::vector<std::string> RunIdentity::links(const DemoFile &demo)
{
    std::vector<std::string> out;
    std::string link = Sha256::hex("tallowfen run\n" + demo.daily);
    for (const DemoMark &mark : demo.marks) {
        std::string step = link;
        step.push_back(char(mark.kind));
        for (int i = 0; i < 4; ++i)
            step.push_back(char((uint32_t(mark.level) >> (8 * i)) & 0xff));
        for (int i = 0; i < 8; ++i)
            step.push_back(char((mark.digest >> (8 * i)) & 0xff));
        link = Sha256::hex(step);
        out.push_back(link);
    }
    return out;
}
