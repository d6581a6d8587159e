#include "explorer/CrashReport.h"

#include <csignal>
#include <string>
#include <unistd.h>

namespace lorvane::explorer {

namespace {
std::string& header() {
    static std::string h;
    return h;
}
std::string& done() {
    static std::string d;
    return d;
}
// Prepared before the crash: the handler mostly writes.
std::string report;
const Action* current = nullptr;

void onCrash(int signal) {
    std::string text = "\nEXPLORE CRASH signal " + std::to_string(signal) + " " + report + "\n";
    if (current)  // best effort: the process is going down anyway
        text += current->text().toStdString() + "\n";
    text += "EXPLORE CRASH END\n";
    (void)!write(2, text.data(), text.size());
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}
}  // namespace

void installCrashReport() {
    for (int s : {SIGSEGV, SIGABRT, SIGBUS, SIGFPE, SIGILL})
        std::signal(s, onCrash);
}

void crashContext(const QString& driver, quint64 seed) {
    header() = ("driver=" + driver + " seed=" + QString::number(seed)).toStdString();
    done().clear();
    report = header();
}

void crashCurrent(const Action* inProgress) {
    current = inProgress;
}

void crashActions(const QList<Action>& actions) {
    report = header() + " after these actions (the seed replays them):\n" + actionListText(actions).toStdString();
}

}  // namespace lorvane::explorer
