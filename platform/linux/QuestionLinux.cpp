// The question goes where the user is: the terminal the program runs in, else the
// desktop's dialog tool (zenity, kdialog), else nobody, which reads as No.
#include "platform/Question.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tessivar::platform {

namespace {

// Long enough for any answer a person types; the rest of the line is dropped.
constexpr size_t kAnswerLength = 64;

bool askOnTerminal(const std::string& title, const std::string& text)
{
    std::fprintf(stdout, "%s: %s [y/N] ", title.c_str(), text.c_str());
    std::fflush(stdout);
    char line[kAnswerLength];
    if (!std::fgets(line, sizeof line, stdin))
        return false;
    const std::string answer(line);
    return answer.rfind("y", 0) == 0 || answer.rfind("Y", 0) == 0;
}

bool onPath(const std::string& program)
{
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "";
    size_t start = 0;
    while (start <= folders.size()) {
        const size_t end = folders.find(':', start);
        const std::string folder = folders.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!folder.empty() && ::access((folder + "/" + program).c_str(), X_OK) == 0)
            return true;
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return false;
}

// Exit status 0 of the dialog tool is Yes.
bool askThroughDialog(std::vector<std::string> command)
{
    std::vector<char*> argv;
    for (std::string& item : command)
        argv.push_back(item.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0)
        return false;
    if (child == 0) {
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool hasDesktop()
{
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

} // namespace

bool askYesNo(const std::string& title, const std::string& text)
{
    if (::isatty(STDIN_FILENO))
        return askOnTerminal(title, text);
    if (!hasDesktop())
        return false;
    if (onPath("zenity"))
        return askThroughDialog({"zenity", "--question", "--title=" + title, "--text=" + text});
    if (onPath("kdialog"))
        return askThroughDialog({"kdialog", "--title", title, "--yesno", text});
    return false;
}

} // namespace tessivar::platform
