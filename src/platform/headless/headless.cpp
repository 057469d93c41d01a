#include "platform/headless/headless.h"

#include <algorithm>
#include <chrono>
#include <iterator>

#include "platform/codepage.h"

namespace qp {

namespace {
bool ValidList(int list) { return IsListNumber(list); }
}  // namespace

HeadlessPlatform::HeadlessPlatform() {
    for (int i = 0; i <= kLastList; ++i) {
        focused_[i] = -1;
        redraw_[i] = true;
        setRowsCalls_[i] = 0;
        hiding_[i] = false;
    }
}

HeadlessPlatform::~HeadlessPlatform() {
    if (worker_.joinable()) worker_.join();
}

// --- script ---

void HeadlessPlatform::PushEvent(const Event& ev) {
    std::lock_guard<std::mutex> lock(m_);
    events_.push_back(ev);
}

void HeadlessPlatform::PushMenu(int id) {
    Event e;
    e.kind = EventKind::Menu;
    e.id = id;
    PushEvent(e);
}

void HeadlessPlatform::PushControl(int control, ControlAction action) {
    Event e;
    e.kind = EventKind::Control;
    e.id = control;
    e.action = action;
    PushEvent(e);
}

void HeadlessPlatform::PushClose(int window) {
    Event e;
    e.kind = EventKind::Close;
    e.window = window;
    PushEvent(e);
}

void HeadlessPlatform::PushHeaderClick(int list, int column) {
    Event e;
    e.kind = EventKind::HeaderClick;
    e.id = list;
    e.column = column;
    PushEvent(e);
}

void HeadlessPlatform::PushSize(int innerWidth, int innerHeight) {
    Event e;
    e.kind = EventKind::Size;
    e.id = innerWidth;
    e.column = innerHeight;
    PushEvent(e);
}

void HeadlessPlatform::PushAnswer(Answer a) {
    std::lock_guard<std::mutex> lock(m_);
    answers_.push_back(a);
}

void HeadlessPlatform::PushOpenPath(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_);
    openPaths_.push_back(path);
}

void HeadlessPlatform::PushSavePath(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_);
    savePaths_.push_back(path);
}

void HeadlessPlatform::FocusDialogRow(int control, int row) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it != controls_.end()) it->second.focused = row;
}

void HeadlessPlatform::SetChecked(int control, bool checked) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it != controls_.end()) it->second.checked = checked;
}

// --- snapshots ---

std::vector<ShownMessage> HeadlessPlatform::Messages() {
    std::lock_guard<std::mutex> lock(m_);
    return messages_;
}

std::vector<ShownRequester> HeadlessPlatform::Requesters() {
    std::lock_guard<std::mutex> lock(m_);
    return requesters_;
}

std::vector<std::string> HeadlessPlatform::HelpOpened() {
    std::lock_guard<std::mutex> lock(m_);
    return helpOpened_;
}

std::string HeadlessPlatform::Clipboard() {
    std::lock_guard<std::mutex> lock(m_);
    return clipboard_;
}

std::vector<Row> HeadlessPlatform::Rows(int list) {
    std::lock_guard<std::mutex> lock(m_);
    return ValidList(list) ? rows_[list] : std::vector<Row>{};
}

std::string HeadlessPlatform::Title() {
    std::lock_guard<std::mutex> lock(m_);
    return title_;
}

Rect HeadlessPlatform::ControlRect(int control) { return GetControlGeometry(control); }

HeadlessDialog HeadlessPlatform::Dialog(int window) {
    std::lock_guard<std::mutex> lock(m_);
    return (window >= 0 && window < kWindowCount) ? dialogs_[window] : HeadlessDialog{};
}

HeadlessControl HeadlessPlatform::Control(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    return it == controls_.end() ? HeadlessControl{} : it->second;
}

bool HeadlessPlatform::HasControl(int control) {
    std::lock_guard<std::mutex> lock(m_);
    return controls_.count(control) != 0;
}

std::vector<Menu> HeadlessPlatform::MenuBar() {
    std::lock_guard<std::mutex> lock(m_);
    std::vector<Menu> out = menus_;
    for (auto& menu : out)
        for (auto& item : menu.items)
            if (item.id) {
                item.enabled = menuEnabled_[item.id];
                item.checked = menuChecked_[item.id];
            }
    return out;
}

int HeadlessPlatform::CodePage() {
    std::lock_guard<std::mutex> lock(m_);
    return codePage_;
}

std::string HeadlessPlatform::FrameTitle() {
    std::lock_guard<std::mutex> lock(m_);
    return frameTitle_;
}

std::vector<std::string> HeadlessPlatform::TabTitles() {
    std::lock_guard<std::mutex> lock(m_);
    return tabTitles_;
}

std::vector<ListColumn> HeadlessPlatform::Columns() {
    std::lock_guard<std::mutex> lock(m_);
    return columns_;
}

int HeadlessPlatform::StatusFirstFieldWidth() {
    std::lock_guard<std::mutex> lock(m_);
    return statusWidth_;
}

int HeadlessPlatform::PopupsShown() {
    std::lock_guard<std::mutex> lock(m_);
    return popupsShown_;
}

bool HeadlessPlatform::ListRedraw(int list) {
    std::lock_guard<std::mutex> lock(m_);
    return ValidList(list) && redraw_[list];
}

std::vector<int> HeadlessPlatform::ShownRows(int list) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list)) return {};
    if (hiding_[list]) return visible_[list];
    std::vector<int> all(rows_[list].size());
    for (size_t r = 0; r < all.size(); ++r) all[r] = static_cast<int>(r);
    return all;
}

std::string HeadlessPlatform::TabHint(int list) {
    std::lock_guard<std::mutex> lock(m_);
    return ValidList(list) ? tabHint_[list] : std::string();
}

int HeadlessPlatform::ListSetRowsCalls(int list) {
    std::lock_guard<std::mutex> lock(m_);
    return ValidList(list) ? setRowsCalls_[list] : 0;
}

void HeadlessPlatform::WaitWorker() {
    std::unique_lock<std::mutex> lock(workerMutex_);
    workerDone_.wait(lock, [this] { return !workerRunning_; });
}

bool HeadlessPlatform::WaitWorkerFor(int milliseconds) {
    std::unique_lock<std::mutex> lock(workerMutex_);
    return workerDone_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                                [this] { return !workerRunning_; });
}

// --- main window ---

void HeadlessPlatform::CreateMainWindow(const std::string& title, int innerWidth, int innerHeight) {
    std::lock_guard<std::mutex> lock(m_);
    title_ = title;
    innerW_ = innerWidth;
    innerH_ = innerHeight;
}

void HeadlessPlatform::GetMainWindowSize(int& innerWidth, int& innerHeight) {
    std::lock_guard<std::mutex> lock(m_);
    innerWidth = innerW_;
    innerHeight = innerH_;
}

void HeadlessPlatform::GetMainWindowPosition(int& x, int& y) {
    x = 100;
    y = 50;
}

void HeadlessPlatform::ActivateMainWindow() {}

// --- menus ---

void HeadlessPlatform::SetMenuBar(const std::vector<Menu>& menus) {
    std::lock_guard<std::mutex> lock(m_);
    menus_ = menus;
    for (const auto& menu : menus)
        for (const auto& item : menu.items)
            if (item.id) {
                menuEnabled_[item.id] = item.enabled;
                menuChecked_[item.id] = item.checked;
            }
}

void HeadlessPlatform::SetPopupMenu(const MenuItem& item) {
    std::lock_guard<std::mutex> lock(m_);
    popup_ = item;
    menuEnabled_[item.id] = item.enabled;
}

void HeadlessPlatform::EnableMenuItem(int id, bool enabled) {
    std::lock_guard<std::mutex> lock(m_);
    menuEnabled_[id] = enabled;
}

void HeadlessPlatform::CheckMenuItem(int id, bool checked) {
    std::lock_guard<std::mutex> lock(m_);
    menuChecked_[id] = checked;
}

bool HeadlessPlatform::IsMenuItemEnabled(int id) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = menuEnabled_.find(id);
    return it != menuEnabled_.end() && it->second;
}

void HeadlessPlatform::ShowPopupMenu() {
    std::lock_guard<std::mutex> lock(m_);
    ++popupsShown_;
}

// --- object window ---

void HeadlessPlatform::CreateObjectWindow(const std::string& frameTitle,
                                          const std::vector<std::string>& tabTitles,
                                          const std::vector<ListColumn>& columns) {
    std::lock_guard<std::mutex> lock(m_);
    frameTitle_ = frameTitle;
    tabTitles_ = tabTitles;
    columns_ = columns;
}

void HeadlessPlatform::SetControlGeometry(int control, const Rect& r) {
    std::lock_guard<std::mutex> lock(m_);
    geometry_[control] = r;
}

Rect HeadlessPlatform::GetControlGeometry(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = geometry_.find(control);
    return it == geometry_.end() ? Rect{} : it->second;
}

void HeadlessPlatform::ListClear(int list) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list)) return;
    rows_[list].clear();
    focused_[list] = -1;
    hiding_[list] = false;
}

void HeadlessPlatform::ListAddRow(int list, const Row& row) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list)) return;
    if (hiding_[list]) visible_[list].push_back(static_cast<int>(rows_[list].size()));
    rows_[list].push_back(row);
}

void HeadlessPlatform::ListSetRows(int list, std::vector<Row> rows) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list)) return;
    rows_[list] = std::move(rows);
    focused_[list] = -1;
    hiding_[list] = false;
    ++setRowsCalls_[list];
}

void HeadlessPlatform::ListSetVisibleRows(int list, const std::vector<int>& rows) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list)) return;
    visible_[list].clear();
    const int n = static_cast<int>(rows_[list].size());
    for (int r : rows)
        if (r >= 0 && r < n && (visible_[list].empty() || r > visible_[list].back())) visible_[list].push_back(r);
    hiding_[list] = true;
    const auto& v = visible_[list];
    if (!std::binary_search(v.begin(), v.end(), focused_[list])) focused_[list] = -1;
}

void HeadlessPlatform::ListShowAllRows(int list) {
    std::lock_guard<std::mutex> lock(m_);
    if (ValidList(list)) hiding_[list] = false;
}

int HeadlessPlatform::CurrentTab() {
    std::lock_guard<std::mutex> lock(m_);
    return currentTab_;
}

void HeadlessPlatform::ShowTab(int list, bool) {
    std::lock_guard<std::mutex> lock(m_);
    if (ValidList(list)) currentTab_ = list;
}

void HeadlessPlatform::SetTabHint(int list, const std::string& tooltip, bool dimmed) {
    std::lock_guard<std::mutex> lock(m_);
    if (ValidList(list)) tabHint_[list] = dimmed ? tooltip + " (dimmed)" : tooltip;
}

void HeadlessPlatform::CreateFilterBar(const std::string&, const std::string& toggleCaption,
                                       const std::string& nextCaption) {
    std::lock_guard<std::mutex> lock(m_);
    const std::tuple<int, const char*, std::string> bar[] = {{kCtlFilterField, "edit", ""},
                                                             {kCtlFilterToggle, "check", toggleCaption},
                                                             {kCtlFilterNext, "button", nextCaption},
                                                             {kCtlFilterCount, "label", ""}};
    for (const auto& [control, kind, text] : bar) {
        HeadlessControl& c = controls_[control] = HeadlessControl{};
        c.window = kWindowMain;
        c.kind = kind;
        c.text = text;
    }
}

bool HeadlessPlatform::IsControlChecked(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    return it != controls_.end() && it->second.checked;
}

void HeadlessPlatform::ListSetText(int list, int row, int column, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list) || row < 0 || row >= static_cast<int>(rows_[list].size()) || column < 0 ||
        column >= kColumnCount)
        return;
    rows_[list][row][column] = text;
}

std::string HeadlessPlatform::ListGetText(int list, int row, int column) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list) || row < 0 || row >= static_cast<int>(rows_[list].size()) || column < 0 ||
        column >= kColumnCount)
        return {};
    return rows_[list][row][column];
}

int HeadlessPlatform::ListRowCount(int list) {
    std::lock_guard<std::mutex> lock(m_);
    return ValidList(list) ? static_cast<int>(rows_[list].size()) : 0;
}

int HeadlessPlatform::ListFocusedRow(int list) {
    std::lock_guard<std::mutex> lock(m_);
    return ValidList(list) ? focused_[list] : -1;
}

void HeadlessPlatform::ListSelectRow(int list, int row) {
    std::lock_guard<std::mutex> lock(m_);
    if (!ValidList(list)) return;
    const auto& v = visible_[list];
    const bool shown = !hiding_[list] || std::binary_search(v.begin(), v.end(), row);
    focused_[list] = (row >= 0 && row < static_cast<int>(rows_[list].size()) && shown) ? row : -1;
}

void HeadlessPlatform::ListSetRedraw(int list, bool on) {
    std::lock_guard<std::mutex> lock(m_);
    if (ValidList(list)) redraw_[list] = on;
}

// --- status bar ---

void HeadlessPlatform::CreateStatusBar(int firstFieldWidth) {
    std::lock_guard<std::mutex> lock(m_);
    statusWidth_ = firstFieldWidth;
}

void HeadlessPlatform::SetStatusText(int field, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    if (field == 0 || field == 1) status_[field] = text;
}

std::string HeadlessPlatform::GetStatusText(int field) {
    std::lock_guard<std::mutex> lock(m_);
    return (field == 0 || field == 1) ? status_[field] : std::string();
}

// --- dialogs ---

void HeadlessPlatform::OpenDialog(int window, const std::string& caption, const Rect& outer) {
    std::lock_guard<std::mutex> lock(m_);
    if (window < 1 || window >= kWindowCount) return;
    dialogs_[window].open = true;
    dialogs_[window].caption = caption;
    dialogs_[window].outer = outer;
}

void HeadlessPlatform::CloseDialog(int window) {
    std::lock_guard<std::mutex> lock(m_);
    if (window < 1 || window >= kWindowCount) return;
    dialogs_[window].open = false;
    for (auto it = controls_.begin(); it != controls_.end();) {
        if (it->second.window == window)
            it = controls_.erase(it);
        else
            ++it;
    }
}

bool HeadlessPlatform::IsDialogOpen(int window) {
    std::lock_guard<std::mutex> lock(m_);
    return window >= 1 && window < kWindowCount && dialogs_[window].open;
}

void HeadlessPlatform::AddLabel(int window, int control, const Rect& r, const std::string& text,
                                bool alignRight) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "label";
    c.rect = r;
    c.text = text;
    c.alignRight = alignRight;
    controls_[control] = c;
}

void HeadlessPlatform::AddEditField(int window, int control, const Rect& r, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "edit";
    c.rect = r;
    c.text = text;
    controls_[control] = c;
}

void HeadlessPlatform::AddButton(int window, int control, const Rect& r, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "button";
    c.rect = r;
    c.text = text;
    controls_[control] = c;
}

void HeadlessPlatform::AddTextPane(int window, int control, const Rect& r, bool readOnly,
                                   int maxBytes) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "pane";
    c.rect = r;
    c.readOnly = readOnly;
    c.maxBytes = maxBytes;
    controls_[control] = c;
}

void HeadlessPlatform::AddCheckBox(int window, int control, const Rect& r, const std::string& caption) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "check";
    c.rect = r;
    c.text = caption;
    controls_[control] = c;
}

void HeadlessPlatform::AddDialogList(int window, int control, const Rect& r,
                                     const std::string& columnTitle, int columnWidth) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "list";
    c.rect = r;
    c.text = columnTitle;
    c.columnWidth = columnWidth;
    controls_[control] = c;
}

void HeadlessPlatform::FocusControl(int control) {
    std::lock_guard<std::mutex> lock(m_);
    focusedControl_ = control;
}

void HeadlessPlatform::SetDialogKeys(int window, int enterButton, int escapeButton) {
    std::lock_guard<std::mutex> lock(m_);
    dialogKeys_[window] = {enterButton, escapeButton};
}

int HeadlessPlatform::FocusedControl() {
    std::lock_guard<std::mutex> lock(m_);
    return focusedControl_;
}

std::pair<int, int> HeadlessPlatform::DialogKeys(int window) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = dialogKeys_.find(window);
    return it == dialogKeys_.end() ? std::pair{0, 0} : it->second;
}

void HeadlessPlatform::DialogListSetText(int control, int row, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it == controls_.end() || row < 0) return;
    HeadlessControl& c = it->second;
    if (c.kind == "table") {
        if (row < static_cast<int>(c.tableRows.size())) c.tableRows[static_cast<size_t>(row)][0] = text;
    } else if (row < static_cast<int>(c.rows.size())) {
        c.rows[static_cast<size_t>(row)] = text;
    }
}

void HeadlessPlatform::SetControlText(int control, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it == controls_.end()) return;
    // A pane refuses what it cannot hold, as the real one does.
    if (it->second.kind == "pane" && it->second.maxBytes > 0 &&
        static_cast<int64_t>(text.size()) > it->second.maxBytes)
        return;
    it->second.text = text;
}

std::string HeadlessPlatform::GetControlText(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    return it == controls_.end() ? std::string() : it->second.text;
}

void HeadlessPlatform::SetCodePage(int codePage) {
    std::lock_guard<std::mutex> lock(m_);
    codePage_ = IsSupportedCodePage(codePage) ? codePage : kCodePageWestern;
}

void HeadlessPlatform::EnableControl(int control, bool enabled) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it != controls_.end()) it->second.enabled = enabled;
}

bool HeadlessPlatform::IsControlEnabled(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    return it != controls_.end() && it->second.enabled;
}

void HeadlessPlatform::DialogListAddRow(int control, const std::string& text) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it != controls_.end()) it->second.rows.push_back(text);
}

void HeadlessPlatform::DialogListClear(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it == controls_.end()) return;
    it->second.rows.clear();
    it->second.tableRows.clear();
    it->second.focused = -1;
}

int HeadlessPlatform::DialogListFocusedRow(int control) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it == controls_.end()) return -1;
    const HeadlessControl& c = it->second;
    const size_t n = c.kind == "table" ? c.tableRows.size() : c.rows.size();
    return (c.focused >= 0 && static_cast<size_t>(c.focused) < n) ? c.focused : -1;
}

void HeadlessPlatform::AddDialogTable(int window, int control, const Rect& r,
                                      const std::vector<ListColumn>& columns) {
    std::lock_guard<std::mutex> lock(m_);
    HeadlessControl c;
    c.window = window;
    c.kind = "table";
    c.rect = r;
    c.columns = columns;
    controls_[control] = c;
}

void HeadlessPlatform::DialogTableAddRows(int control, std::vector<Row> rows) {
    std::lock_guard<std::mutex> lock(m_);
    auto it = controls_.find(control);
    if (it == controls_.end()) return;
    auto& to = it->second.tableRows;
    to.insert(to.end(), std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()));
}

void HeadlessPlatform::SetClipboardText(const std::string& bytes) {
    std::lock_guard<std::mutex> lock(m_);
    clipboard_ = bytes;
}

// --- message boxes and requesters ---

Answer HeadlessPlatform::MessageBox(const std::string& title, const std::string& text, Icon icon,
                                    Buttons buttons) {
    ShownMessage msg;
    msg.title = title;
    msg.text = text;
    msg.icon = icon;
    msg.buttons = buttons;
    std::function<Answer(const ShownMessage&)> cb;
    {
        std::lock_guard<std::mutex> lock(m_);
        cb = onMessage;
    }
    Answer a = buttons == Buttons::Ok ? Answer::Ok : Answer::No;
    if (cb) {
        a = cb(msg);
    } else {
        std::lock_guard<std::mutex> lock(m_);
        if (AsksYesNo(buttons)) {
            if (!answers_.empty()) {
                a = answers_.front();
                answers_.pop_front();
            }
        } else if (!answers_.empty() && answers_.front() == Answer::Ok) {
            answers_.pop_front();
        }
    }
    if (buttons == Buttons::Ok) a = Answer::Ok;
    if (AsksYesNo(buttons) && a == Answer::Ok) a = Answer::No;
    msg.answer = a;
    std::lock_guard<std::mutex> lock(m_);
    messages_.push_back(msg);
    return a;
}

std::string HeadlessPlatform::Requester(bool save, const std::string& title,
                                        const std::string& folder, const std::string& filterLabel,
                                        const std::string& pattern, const std::string& fileName) {
    ShownRequester r{save, title, folder, filterLabel, pattern, fileName};
    std::function<std::string(const ShownRequester&)> cb;
    {
        std::lock_guard<std::mutex> lock(m_);
        requesters_.push_back(r);
        cb = onRequester;
    }
    if (cb) return cb(r);
    std::lock_guard<std::mutex> lock(m_);
    auto& q = save ? savePaths_ : openPaths_;
    if (q.empty()) return {};
    std::string p = q.front();
    q.pop_front();
    return p;
}

std::string HeadlessPlatform::OpenFileRequester(const std::string& title, const std::string& folder,
                                                const std::string& filterLabel,
                                                const std::string& pattern) {
    return Requester(false, title, folder, filterLabel, pattern);
}

std::string HeadlessPlatform::SaveFileRequester(const std::string& title, const std::string& folder,
                                                const std::string& filterLabel,
                                                const std::string& pattern, const std::string& fileName) {
    return Requester(true, title, folder, filterLabel, pattern, fileName);
}

bool HeadlessPlatform::OpenHelp(const std::string& path) {
    std::lock_guard<std::mutex> lock(m_);
    if (!helpAvailable_) return false;
    helpOpened_.push_back(path);
    return true;
}

bool HeadlessPlatform::OpenHelpPages(const std::string& indexPage) {
    std::lock_guard<std::mutex> lock(m_);
    if (!browserAvailable_) return false;
    helpOpened_.push_back(indexPage);
    return true;
}

// --- events and worker ---

bool HeadlessPlatform::WaitEvent(Event& ev) {
    if (waitForWorker) WaitWorker();
    std::function<void(const Event&)> cb;
    {
        std::lock_guard<std::mutex> lock(m_);
        if (events_.empty()) return false;
        ev = events_.front();
        events_.pop_front();
        if (ev.kind == EventKind::Size) {
            innerW_ = ev.id;
            innerH_ = ev.column;
            ev.id = 0;
            ev.column = 0;
        }
        cb = onEvent;
    }
    if (cb) cb(ev);
    return true;
}

void HeadlessPlatform::Pump(int milliseconds) {
    // Nothing to serve: wake as soon as the worker ends.
    WaitWorkerFor(milliseconds > 0 ? milliseconds : 0);
}

bool HeadlessPlatform::StartWorker(std::function<void()> fn) {
    if (failNextWorker) {
        failNextWorker = false;
        return false;
    }
    if (worker_.joinable()) worker_.join();
    workerRunning_ = true;
    try {
        worker_ = std::thread([this, fn = std::move(fn)] {
            fn();
            std::lock_guard<std::mutex> lock(workerMutex_);
            workerRunning_ = false;
            workerDone_.notify_all();
        });
    } catch (...) {
        workerRunning_ = false;
        return false;
    }
    return true;
}

void HeadlessPlatform::ReleaseWorker() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace qp
