#include "catalogue/catalogueRead.h"

#include <exception>
#include <utility>

#include "common/funUtils.h"
#include "common/globals.h"
#include "common/handles.h"

namespace purgeon {

CatalogueRead::CatalogueRead(bool hideSysPatch, bool hideScreenSaver)
    : thread_([this, hideSysPatch, hideScreenSaver] { Read(hideSysPatch, hideScreenSaver); }) {}

CatalogueRead::~CatalogueRead() {
    if (thread_.joinable()) thread_.join();
}

void CatalogueRead::Read(bool hideSysPatch, bool hideScreenSaver) {
    Result result;
    // Nothing may leave a thread's body: every failure becomes the result's error.
    try {
        ComApartment com;
        TProgramList programs;
        try {
            // The window looks up the icons of the rows it shows.
            ReadProgramListFill(programs.Get(), hideSysPatch, hideScreenSaver, result.fill, RowIcons::Skip);
        } catch (const UserError& error) {
            result.error = error.message();
        }
    } catch (const std::exception& error) {
        result.error = FromUtf8(error.what());
    } catch (...) {
        result.error = L"Unexpected error";
    }
    std::lock_guard<std::mutex> guard(lock_);
    result_ = std::move(result);
    done_ = true;
    if (window_) PostMessageW(window_, message_, 0, 0);
    doneChanged_.notify_all();
}

void CatalogueRead::NotifyWhenDone(HWND window, UINT message) {
    std::lock_guard<std::mutex> guard(lock_);
    window_ = window;
    message_ = message;
    if (done_) PostMessageW(window_, message_, 0, 0);
}

CatalogueRead::Result CatalogueRead::Take() {
    // The rows are complete once handed over: the thread's own ending is waited for only when
    // this goes.
    std::unique_lock<std::mutex> guard(lock_);
    doneChanged_.wait(guard, [this] { return done_; });
    return std::exchange(result_, Result{});
}

}  // namespace purgeon
