#include "platform/windowbase.h"

#include "platform/codepage.h"

namespace qp {

Answer WindowPlatform::MessageBox(const std::string& title, const std::string& text, Icon icon,
                                  Buttons buttons) {
    return OnGui([&] { return ShowMessage(MessageRequest{title, text, icon, buttons}); });
}

std::string WindowPlatform::OpenFileRequester(const std::string& title, const std::string& folder,
                                              const std::string& filterLabel, const std::string& pattern) {
    return OnGui([&] { return Requester(RequesterRequest{false, title, folder, filterLabel, pattern, {}}); });
}

std::string WindowPlatform::SaveFileRequester(const std::string& title, const std::string& folder,
                                              const std::string& filterLabel, const std::string& pattern,
                                              const std::string& fileName) {
    return OnGui([&] { return Requester(RequesterRequest{true, title, folder, filterLabel, pattern, fileName}); });
}

void WindowPlatform::TellMissing(char32_t c) {
    ShowMessage(MessageRequest{"INFORMATION", MissingCharMessage(codePage_, c), Icon::Stop, Buttons::Ok, true});
}

void WindowPlatform::SetCodePage(int codePage) {
    OnGui([&] {
        const int now = IsSupportedCodePage(codePage) ? codePage : kCodePageWestern;
        if (now == codePage_) return;
        const std::vector<std::pair<int, std::string>> texts = DialogTexts();
        std::string status[2];
        for (int i = 0; i < 2; ++i) status[i] = GetStatusText(i);
        codePage_ = now;
        for (const auto& [control, bytes] : texts) SetControlText(control, bytes);
        for (int i = 0; i < 2; ++i) SetStatusText(i, status[i]);
        ShowListsAgain();
    });
}

void WindowPlatform::FlushQueued() {
    std::vector<std::pair<int, std::vector<Row>>> rows;
    std::optional<std::string> status[2];
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        rows.swap(queuedRows_);
        for (int i = 0; i < 2; ++i) status[i].swap(queuedStatus_[i]);
        flushPosted_ = false;
    }
    for (auto& [list, batch] : rows) AppendQueuedRows(list, std::move(batch));
    for (int i = 0; i < 2; ++i)
        if (status[i]) ShowQueuedStatus(i, std::move(*status[i]));
}

void WindowPlatform::QueueRow(int list, const Row& row) {
    // A load adds rows one by one: the GUI thread takes them in batches, in
    // order with everything else the worker does.
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        if (queuedRows_.empty() || queuedRows_.back().first != list) queuedRows_.push_back({list, {}});
        queuedRows_.back().second.push_back(row);
        post = !flushPosted_;
        flushPosted_ = true;
    }
    if (post) PostFlush();
}

void WindowPlatform::QueueStatus(int field, const std::string& text) {
    // Progress comes once per record; only the newest text matters.
    bool post = false;
    {
        std::lock_guard<std::mutex> lock(queueMutex_);
        queuedStatus_[field] = text;
        post = !flushPosted_;
        flushPosted_ = true;
    }
    if (post) PostFlush();
}

}  // namespace qp
