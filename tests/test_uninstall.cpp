// Running the sample programs' real uninstallers through the waiting thread: the done message
// comes when the uninstall is really over, whatever the uninstaller's way of working, and it
// carries the terms of the program it was started for.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "uninstall/waitingThread.h"
#include "common/funUtils.h"
#include "common/handles.h"
#include "tests/support/testSupport.h"
#include "tools/samples/sampleCatalog.h"

using namespace purgeon;
using namespace purgeon::uninstall;
using namespace purgeon::samples;
using namespace purgeon::test;

namespace {

bool UninstallEntryExists(const std::wstring& keyName) {
    UniqueHKey key;
    return RegOpenKeyExW(HKEY_LOCAL_MACHINE, UninstallKeyPath(keyName).c_str(), 0, KEY_READ, key.put()) ==
           ERROR_SUCCESS;
}

// One done message as the window saw it, with what the registry showed at that moment.
struct Delivery {
    WPARAM result = 0;  // 1 when the command ran, 0 when it could not be started
    WPARAM waitId = 0;
    UninstallDone program;
    DWORD elapsedMs = 0;
    bool entryLeft = false;  // the program's Uninstall entry still there when the message came
};

// A message-only window on the test thread that records every done message.
class Receiver {
public:
    Receiver() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = &Receiver::Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"PurgeonUninstallReceiver";
        RegisterClassW(&wc);
        window_.reset(CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                      wc.hInstance, nullptr));
        SetWindowLongPtrW(window_.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        start_ = GetTickCount();
    }
    HWND hwnd() const { return window_.get(); }
    const std::vector<Delivery>& deliveries() const { return deliveries_; }
    // Run while the first message is being handled, as a question or scan window would be open.
    void WhileHandlingFirst(std::function<void()> work) { whileFirst_ = std::move(work); }
    bool firstTermsHeld() const { return firstTermsHeld_; }

    // Handles messages until count deliveries have come or the time is up.
    bool WaitFor(size_t count, DWORD milliseconds) {
        const DWORD until = GetTickCount() + milliseconds;
        while (deliveries_.size() < count) {
            const LONG left = static_cast<LONG>(until - GetTickCount());
            if (left <= 0) return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
        }
        return true;
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<Receiver*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_UNINSTALL_DONE && self) {
            Delivery delivery;
            delivery.program = *reinterpret_cast<const UninstallDone*>(lParam);  // only valid until we return
            delivery.result = delivery.program.started ? 1 : 0;
            delivery.waitId = wParam;
            delivery.elapsedMs = GetTickCount() - self->start_;
            delivery.entryLeft = UninstallEntryExists(delivery.program.keyName);
            self->deliveries_.push_back(delivery);
            if (self->deliveries_.size() == 1 && self->whileFirst_) {
                self->whileFirst_();
                const auto* held = reinterpret_cast<const UninstallDone*>(lParam);
                self->firstTermsHeld_ = held->keyName == delivery.program.keyName &&
                                        held->installLocation == delivery.program.installLocation;
            }
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    UniqueWindow window_;
    DWORD start_ = 0;
    std::vector<Delivery> deliveries_;
    std::function<void()> whileFirst_;
    bool firstTermsHeld_ = false;
};

// A sample installed for one test and removed afterwards, whatever its uninstaller did.
class Sample {
public:
    explicit Sample(const std::wstring& name, UninstallBehaviour behaviour,
                    UninstallBehaviour handoverWork = UninstallBehaviour::RemoveAll) {
        wanted_.name = name;
        wanted_.publisher = L"Waiting Thread Works " + name;
        wanted_.behaviour = behaviour;
        wanted_.handoverWork = handoverWork;
        sample_ = InstallSample(wanted_, BinDir());
    }
    ~Sample() {
        try {
            RemoveSample(wanted_);
        } catch (const SampleError&) {
        }
    }
    // What Uninstall captures from the selected program.
    UninstallDone terms() const { return {sample_.keyName, sample_.installDir, sample_.uninstallString}; }
    const InstalledSample* operator->() const { return &sample_; }

private:
    SampleSpec wanted_;
    InstalledSample sample_;
};

// One uninstall through the thread; the only delivery, or a failure.
Delivery UninstallOne(const Sample& sample) {
    Receiver receiver;
    EXPECT_TRUE(TWaitingThread::Start(receiver.hwnd(), sample.terms()));
    EXPECT_TRUE(receiver.WaitFor(1, 30000)) << "no done message";
    EXPECT_FALSE(receiver.WaitFor(2, 300)) << "more than one done message";
    return receiver.deliveries().empty() ? Delivery{} : receiver.deliveries().front();
}

TEST(UninstallWait, RemoveAllIsDoneOnceItsProcessHasEnded) {
    Sample sample(L"WaitRemoveAll", UninstallBehaviour::RemoveAll);
    Delivery done = UninstallOne(sample);
    EXPECT_EQ(done.result, 1u);
    EXPECT_FALSE(done.entryLeft);
    EXPECT_FALSE(DirectoryExists(sample->installDir));
    EXPECT_EQ(done.program.keyName, sample->keyName);
    EXPECT_EQ(done.program.installLocation, sample->installDir);
}

TEST(UninstallWait, RemainsIsDoneWithItsLeftoversInPlace) {
    Sample sample(L"WaitRemains", UninstallBehaviour::Remains);
    Delivery done = UninstallOne(sample);
    EXPECT_EQ(done.result, 1u);
    EXPECT_FALSE(done.entryLeft);
    for (const std::wstring& file : RemainingFiles()) EXPECT_TRUE(FileExists(sample->installDir + file)) << file;
}

// The uninstaller exits at once and its copy in %TEMP% does the work a second later: the message
// must wait for the copy, or the question would come before anything was removed.
TEST(UninstallWait, HandoverIsDoneWhenTheChildEndsNotTheParent) {
    Sample sample(L"WaitHandover", UninstallBehaviour::Handover);
    Delivery done = UninstallOne(sample);
    EXPECT_EQ(done.result, 1u);
    EXPECT_FALSE(done.entryLeft) << "the message came before the handed-over copy finished";
    EXPECT_FALSE(DirectoryExists(sample->installDir));
}

// Still running after the grace time: the process itself is waited for.
TEST(UninstallWait, SlowIsWaitedForPastTheGraceTime) {
    Sample sample(L"WaitSlow", UninstallBehaviour::Slow);
    Delivery done = UninstallOne(sample);
    EXPECT_EQ(done.result, 1u);
    EXPECT_GT(done.elapsedMs, kHandoverGraceMs);
    EXPECT_FALSE(done.entryLeft);
}

TEST(UninstallWait, MissingUninstallerIsReportedAsNotStarted) {
    Sample sample(L"WaitMissing", UninstallBehaviour::Missing);
    ASSERT_FALSE(FileExists(sample->uninstallerPath));
    Delivery done = UninstallOne(sample);
    EXPECT_EQ(done.result, 0u);
    EXPECT_TRUE(done.entryLeft);
    EXPECT_EQ(done.program.keyName, sample->keyName);
    EXPECT_EQ(done.program.installLocation, sample->installDir);
}

TEST(UninstallWait, EmptyOrBlankCommandIsNotStarted) {
    EXPECT_EQ(RunAndWait(L"").result, RunResult::NotStarted);
    EXPECT_EQ(RunAndWait(L"   ").result, RunResult::NotStarted);
}

// Each message names its own program, in the order the uninstalls end, not the order they began.
TEST(UninstallWait, TwoUninstallsAtOnceEachDeliverTheirOwnTerms) {
    Sample slow(L"WaitTwoHandover", UninstallBehaviour::Handover, UninstallBehaviour::Remains);
    Sample quick(L"WaitTwoRemoveAll", UninstallBehaviour::RemoveAll);
    Receiver receiver;
    ASSERT_TRUE(TWaitingThread::Start(receiver.hwnd(), slow.terms()));
    ASSERT_TRUE(TWaitingThread::Start(receiver.hwnd(), quick.terms()));
    ASSERT_TRUE(receiver.WaitFor(2, 30000));
    const auto& got = receiver.deliveries();
    EXPECT_EQ(got[0].program.keyName, quick->keyName);
    EXPECT_EQ(got[0].program.installLocation, quick->installDir);
    EXPECT_EQ(got[1].program.keyName, slow->keyName);
    EXPECT_EQ(got[1].program.installLocation, slow->installDir);
    for (const Delivery& done : got) {
        EXPECT_EQ(done.result, 1u);
        EXPECT_FALSE(done.entryLeft) << done.program.keyName;
    }
}

// The second uninstall ends while the first one's question is still open: its message is handled
// inside the first one's, and the first thread's terms stay valid until its handler returns.
TEST(UninstallWait, SecondMessageComesWhileTheFirstIsStillBeingHandled) {
    Sample first(L"WaitNestFirst", UninstallBehaviour::RemoveAll);
    Sample second(L"WaitNestSecond", UninstallBehaviour::Slow);
    Receiver receiver;
    receiver.WhileHandlingFirst([&] { receiver.WaitFor(2, 30000); });
    ASSERT_TRUE(TWaitingThread::Start(receiver.hwnd(), first.terms()));
    ASSERT_TRUE(TWaitingThread::Start(receiver.hwnd(), second.terms()));
    ASSERT_TRUE(receiver.WaitFor(2, 30000));
    EXPECT_EQ(receiver.deliveries()[0].program.keyName, first->keyName);
    EXPECT_EQ(receiver.deliveries()[1].program.keyName, second->keyName);
    EXPECT_TRUE(receiver.firstTermsHeld());
}

// A per-user entry's command never runs with the rights of an elevated Purgeon: the user's own
// (the shell's) token, or a question when that cannot be had. Under Wine every process runs as
// one user, so only the decision is tested here; the token start is Windows' to confirm.
TEST(UninstallRights, PerUserCommandsOfAnElevatedProcessKeepTheUsersRights) {
    const struct {
        EntryScope source;
        bool elevated, tokenAvailable;
        RunAs expected;
    } cases[] = {
        {EntryScope::Machine, true, true, RunAs::AsIs},     {EntryScope::Machine, true, false, RunAs::AsIs},
        {EntryScope::Machine, false, false, RunAs::AsIs},   {EntryScope::User, false, true, RunAs::AsIs},
        {EntryScope::User, false, false, RunAs::AsIs},      {EntryScope::User, true, true, RunAs::ShellUser},
        {EntryScope::User, true, false, RunAs::Ask},
    };
    for (const auto& c : cases)
        EXPECT_EQ(RunAsDecision(c.source, c.elevated, c.tokenAvailable), c.expected)
            << static_cast<int>(c.source) << c.elevated << c.tokenAvailable;
    for (const auto& [path, scope] : std::vector<std::pair<std::wstring, EntryScope>>{
             {L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A", EntryScope::User},
             {L"hkcu\\Software\\X", EntryScope::User},
             {L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\A", EntryScope::Machine},
             {L"HKEY_CURRENT_USERS\\X", EntryScope::Machine},
             {L"", EntryScope::Machine}})
        EXPECT_EQ(ScopeOfKeyPath(path), scope) << ToUtf8(path);
}

// A command started with a token, as a per-user entry's is with the shell's, runs and is waited
// for like any other. Here the token is this process's own: which user's token the shell has is
// Windows' to confirm.
TEST(UninstallRights, ACommandStartedWithATokenIsWaitedFor) {
    Sample sample(L"WaitWithToken", UninstallBehaviour::Slow);
    UniqueHandle token = PrimaryTokenOf(GetCurrentProcess());
    ASSERT_TRUE(token);
    const UninstallRun run = RunAndWait(sample->uninstallString, RunOptions{false, INFINITE, token.get()});
    EXPECT_EQ(run.result, RunResult::Finished);
    EXPECT_FALSE(UninstallEntryExists(sample->keyName));
}

// Only the done message of a wait it started is taken, by its id and its record alike.
TEST(UninstallWait, OnlyTheDoneMessageOfAWaitStartedHereIsClaimed) {
    Sample sample(L"WaitClaim", UninstallBehaviour::RemoveAll);
    Receiver receiver;
    const std::optional<WaitTicket> ticket = TWaitingThread::Start(receiver.hwnd(), sample.terms());
    ASSERT_TRUE(ticket);
    ASSERT_TRUE(receiver.WaitFor(1, 30000));
    const Delivery& done = receiver.deliveries()[0];
    EXPECT_EQ(done.waitId, ticket->id);
    StartedWaits waits;
    waits.Add(*ticket);
    UninstallDone forged;
    EXPECT_EQ(waits.Claim(ticket->id + 1, ticket->record), nullptr);
    EXPECT_EQ(waits.Claim(ticket->id, reinterpret_cast<LPARAM>(&forged)), nullptr);
    EXPECT_EQ(waits.Claim(ticket->id, ticket->record), reinterpret_cast<const UninstallDone*>(ticket->record));
    EXPECT_EQ(waits.Claim(ticket->id, ticket->record), nullptr) << "a wait ends once";
}

TEST(ProcessLookup, ParentOfAStartedProgramIsThisProcess) {
    ChildProcess child(BinDir() + kAppFile, L"/stay=3000");
    ASSERT_TRUE(child.started());
    EXPECT_EQ(GetParentProcessId(child.id()), GetCurrentProcessId());
    EXPECT_EQ(GetParentProcessId(0xFFFFFFF0), static_cast<DWORD>(-1));
}

TEST(ProcessLookup, ExistenceHonoursTheCreationTime) {
    ChildProcess child(BinDir() + kAppFile, L"/stay=3000");
    ASSERT_TRUE(child.started());
    const ULONGLONG created = ProcessCreationTime(child.handle());
    ASSERT_NE(created, 0u);
    EXPECT_TRUE(ProcessExists(child.id()));
    EXPECT_TRUE(ProcessExists(child.id(), created));
    EXPECT_FALSE(ProcessExists(child.id(), created - 1)) << "an older process under a reused id";
    child.Wait(10000);
    EXPECT_FALSE(ProcessExists(child.id(), created));
}

TEST(ProcessLookup, ChildIsFoundOnlyWithinTheParentsLife) {
    ChildProcess child(BinDir() + kAppFile, L"/stay=3000");
    ASSERT_TRUE(child.started());
    const ULONGLONG childCreated = ProcessCreationTime(child.handle());
    UniqueHandle found = OpenChildProcess(GetCurrentProcessId(), ProcessCreationTime(GetCurrentProcess()));
    ASSERT_TRUE(found);
    EXPECT_EQ(GetProcessId(found.get()), child.id());
    // A parent that ended before the child was created cannot be its parent.
    EXPECT_FALSE(OpenChildProcess(GetCurrentProcessId(), 0, childCreated - 1));
    EXPECT_FALSE(OpenChildProcess(GetCurrentProcessId(), childCreated + 1));
}

}  // namespace
