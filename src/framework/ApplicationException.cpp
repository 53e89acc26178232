#include "framework/ApplicationException.h"

#include "framework/Component.h"
#include "u3/Exceptions.h"
#include "u3/Logger.h"

#include <cstdio>

namespace fw {
namespace {

void WriteToStandardError(const std::exception& error)
{
    std::fprintf(stderr, "%s\n", error.what());
}

} // namespace

TExceptionHandler ApplicationExceptionHandler = WriteToStandardError;

void RunFromEventLoop(const std::function<void()>& code)
{
    HandlerScope scope;
    auto report = [](const std::exception& error) {
        try {
            // Whatever the handler shows is gone once the user closes it.
            u3::LogErrorIn("an event handler", error.what());
        } catch (...) {
        }
        try {
            if (ApplicationExceptionHandler)
                ApplicationExceptionHandler(error);
        } catch (...) {
            // A handler that fails has nothing left to report to.
        }
    };
    try {
        code();
    } catch (const u3::EAbort&) {
    } catch (const std::exception& error) {
        report(error);
    } catch (...) {
        report(u3::Exception("Unknown exception"));
    }
}

} // namespace fw
