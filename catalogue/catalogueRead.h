#pragma once
// The program list's first reading, started before its window exists so that it runs while the
// splash stands. The component's objects belong to the COM apartment that made them, so the
// reading runs on a thread with an apartment of its own and hands over plain rows only; the
// window keeps its own connection for everything afterwards.
#include <windows.h>

#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "catalogue/programRows.h"

namespace purgeon {

class CatalogueRead {
public:
    // Starts reading at once, with the two filters as they are now.
    CatalogueRead(bool hideSysPatch, bool hideScreenSaver);
    // Waits for the thread: it must not outlive the rows it writes.
    ~CatalogueRead();
    CatalogueRead(const CatalogueRead&) = delete;
    CatalogueRead& operator=(const CatalogueRead&) = delete;

    // Posts `message` to `window` once the reading is done; at once when it is done already.
    void NotifyWhenDone(HWND window, UINT message);

    struct Result {
        ProgramListFill fill;               // when it failed, the rows read before the failure
        std::optional<std::wstring> error;  // the failure, as the user is told it
    };
    // Waits for the reading and hands its result over; a second call gives an empty fill.
    Result Take();

private:
    void Read(bool hideSysPatch, bool hideScreenSaver);

    std::mutex lock_;
    std::condition_variable doneChanged_;
    bool done_ = false;
    HWND window_ = nullptr;
    UINT message_ = 0;
    Result result_;
    std::thread thread_;
};

}  // namespace purgeon
