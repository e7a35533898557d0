#include "ui/TestHooks.h"

#include <QtGlobal>
#include <string>

#include "ui/TestSeams.h"

namespace avatrix::ui {
namespace {

testing::UnknownUnitHandler DefaultUnknownUnitHandler() {
#ifdef NDEBUG
    return {};
#else
    return [](std::string_view window, std::string_view unit) {
        qFatal("no unit \"%s\" in window \"%s\"", std::string(unit).c_str(),
               std::string(window).c_str());
    };
#endif
}

struct Seams {
    std::function<int(const testing::MessageRecord&)> messages;
    std::function<testing::DialogAnswer(const testing::DialogRequest&)> dialogs;
    std::function<void(int)> endProgram;
    bool recordAddresses = false;
    std::vector<Text> addresses;
    testing::UnknownUnitHandler unknownUnit = DefaultUnknownUnitHandler();
};

Seams& State() {
    static Seams* seams = new Seams;  // lives as long as the process
    return *seams;
}

}  // namespace

namespace testing {

void SetMessageResponder(std::function<int(const MessageRecord&)> responder) {
    State().messages = std::move(responder);
}

void SetDialogResponder(std::function<DialogAnswer(const DialogRequest&)> responder) {
    State().dialogs = std::move(responder);
}

void SetEndProgramInterceptor(std::function<void(int)> interceptor) {
    State().endProgram = std::move(interceptor);
}

void SetUnknownUnitHandler(UnknownUnitHandler handler) {
    State().unknownUnit = std::move(handler);
}

void RecordOpenedAddresses(bool on) {
    State().recordAddresses = on;
    if (on) {
        State().addresses.clear();
    }
}

std::vector<Text> OpenedAddresses() {
    return State().addresses;
}

}  // namespace testing

namespace detail {

const std::function<int(const testing::MessageRecord&)>& MessageResponder() {
    return State().messages;
}

const std::function<testing::DialogAnswer(const testing::DialogRequest&)>& DialogResponder() {
    return State().dialogs;
}

const std::function<void(int)>& EndProgramInterceptor() {
    return State().endProgram;
}

void ReportUnknownUnit(std::string_view window, std::string_view unit) {
    if (State().unknownUnit) {
        State().unknownUnit(window, unit);
    }
}

bool RecordAddress(const Text& address) {
    if (!State().recordAddresses) {
        return false;
    }
    State().addresses.push_back(address);
    return true;
}

}  // namespace detail
}  // namespace avatrix::ui
