// What the window backends share whatever their toolkit: the requests their
// message boxes and requesters answer, the calls from the worker carried to
// the GUI thread (status texts and appended rows of a long load queued in
// order and applied in batches, everything else waited for), and showing
// every text anew when the code page changes. The toolkit parts are the
// backend's: how a call reaches its GUI thread and how a batch is shown.
#pragma once

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/platform.h"

namespace qp {

struct MessageRequest {
    std::string title;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // The text is UTF-8 rather than bytes in the code page: a message about
    // a character the code page lacks.
    bool utf8 = false;
};

struct RequesterRequest {
    bool save = false;
    std::string title;
    std::string folder;
    std::string filterLabel;
    std::string pattern;
    std::string fileName;  // the name a save requester proposes
};

class WindowPlatform : public Platform {
public:
    // --- hooks for tests and scripted runs (called on the GUI thread) ---
    // When set, message boxes and requesters are answered by these instead of
    // being shown.
    std::function<Answer(const MessageRequest&)> messageHook;
    std::function<std::string(const RequesterRequest&)> requesterHook;

    virtual bool OnGuiThread() const = 0;

    Answer MessageBox(const std::string& title, const std::string& text, Icon icon,
                      Buttons buttons) override;
    std::string OpenFileRequester(const std::string& title, const std::string& folder,
                                  const std::string& filterLabel, const std::string& pattern) override;
    std::string SaveFileRequester(const std::string& title, const std::string& folder,
                                  const std::string& filterLabel, const std::string& pattern,
                                  const std::string& fileName) override;
    // What the dialogs and the status bar hold, the user's typing included,
    // is taken as bytes in the old code page and shown again in the new one.
    // A text that somehow holds a character the old one lacks stays as it is
    // (OK and SAVE refuse it).
    void SetCodePage(int codePage) override;

protected:
    // Runs f on the GUI thread and returns its result; from the worker the
    // call waits until the GUI thread has run it.
    template <class F>
    auto OnGui(F&& f) -> std::invoke_result_t<F&> {
        using R = std::invoke_result_t<F&>;
        if (OnGuiThread()) {
            FlushQueued();
            return f();
        }
        if constexpr (std::is_void_v<R>) {
            RunBlocking([&] { f(); });
        } else {
            std::optional<R> result;
            RunBlocking([&] { result.emplace(f()); });
            return std::move(*result);
        }
    }
    // Applies what the worker has queued, in order (GUI thread).
    void FlushQueued();
    // From the worker: a row appended or a status text, queued; the first
    // since the last flush asks for one (PostFlush).
    void QueueRow(int list, const Row& row);
    void QueueStatus(int field, const std::string& text);
    // The refusal of a character the code page lacks.
    void TellMissing(char32_t c);

    // --- the toolkit's part ---
    // Carries f to the GUI thread, which flushes the queue, runs f, and
    // lets the caller go on.
    virtual void RunBlocking(const std::function<void()>& f) = 0;
    // Asks the GUI thread to flush the queue when it next gets to it.
    virtual void PostFlush() = 0;
    // A batch of queued rows appended to a list's view; a status text shown.
    virtual void AppendQueuedRows(int list, std::vector<Row> rows) = 0;
    virtual void ShowQueuedStatus(int field, std::string text) = 0;
    virtual Answer ShowMessage(const MessageRequest& m) = 0;
    virtual std::string Requester(const RequesterRequest& r) = 0;
    // The texts of the dialogs' fields, panes, labels and buttons as bytes in
    // the code page in use, by control; and the lists shown anew.
    virtual std::vector<std::pair<int, std::string>> DialogTexts() = 0;
    virtual void ShowListsAgain() = 0;

    // Read by the views, validators and panes when they convert (GUI thread).
    int codePage_ = 1252;

private:
    // Queued by the worker, applied in order on the GUI thread.
    std::mutex queueMutex_;
    std::vector<std::pair<int, std::vector<Row>>> queuedRows_;
    std::optional<std::string> queuedStatus_[2];
    bool flushPosted_ = false;
};

}  // namespace qp
