#include "FSSystem.h"

bool ConsoleAttached = false;

std::string WithoutLineEnd(const std::string& text) {
    std::size_t end = text.find_last_not_of("\r\n");
    return end == std::string::npos ? std::string() : text.substr(0, end + 1);
}

StreamTargets ChooseStreamTargets(bool outUsable, bool errUsable,
                                  const std::function<bool()>& attach) {
    const bool console = (!outUsable || !errUsable) && attach();
    auto target = [console](bool usable) {
        if (usable) return StreamTarget::Inherited;
        return console ? StreamTarget::Console : StreamTarget::None;
    };
    return {target(outUsable), target(errUsable)};
}
