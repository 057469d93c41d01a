// The backend contract on the in-memory window system: what it shows is its
// bytes as the code page's characters, and it has no keyboard.
#include "backend_contract.h"

#include "platform/codepage.h"
#include "platform/headless/headless.h"

namespace {

using namespace qp;

class HeadlessBackend : public contract::Backend {
public:
    Platform& Ui() override { return ui_; }
    void AnswerMessages(std::function<Answer(const MessageRequest&)> answer) override {
        ui_.onMessage = [answer](const ShownMessage& m) {
            return answer(MessageRequest{m.title, m.text, m.icon, m.buttons});
        };
    }
    bool OnGuiThread() override { return true; }
    bool PumpUntil(const std::function<bool()>& done) override {
        for (int i = 0; i < 6000 && !done(); ++i) ui_.Pump(10);
        return done();
    }
    std::optional<std::u16string> Cell(int control, int item, int column) override {
        if (!IsListNumber(control)) {
            const HeadlessControl c = ui_.Control(control);
            if (item < 0 || item >= int(c.rows.size()) || column != 0) return std::nullopt;
            return BytesToLine(ui_.CodePage(), c.rows[size_t(item)]);
        }
        const std::vector<int> shown = ui_.ShownRows(control);
        if (item < 0 || item >= int(shown.size())) return std::nullopt;
        return BytesToLine(ui_.CodePage(), ui_.ListGetText(control, shown[size_t(item)], column));
    }
    std::optional<std::u16string> FieldShown(int control) override {
        return BytesToLine(ui_.CodePage(), ui_.GetControlText(control));
    }
    std::optional<std::u16string> StatusShown(int field) override {
        return BytesToLine(ui_.CodePage(), ui_.GetStatusText(field));
    }
    int Items(int list) override { return int(ui_.ShownRows(list).size()); }
    int FocusedItem(int list) override {
        const std::vector<int> shown = ui_.ShownRows(list);
        for (size_t i = 0; i < shown.size(); ++i)
            if (shown[i] == ui_.ListFocusedRow(list)) return int(i);
        return -1;
    }
    void FocusItem(int list, int item) override { ui_.ListSelectRow(list, ui_.ShownRows(list).at(size_t(item))); }
    bool Type(int, const std::u16string&) override { return false; }
    void Click(int control) override {
        ui_.SetChecked(control, !ui_.IsControlChecked(control));
        ui_.PushControl(control, ControlAction::Press);
    }

private:
    HeadlessPlatform ui_;
};

std::unique_ptr<contract::Backend> MakeHeadless() { return std::make_unique<HeadlessBackend>(); }

}  // namespace

using contract::BackendContract;
INSTANTIATE_TEST_SUITE_P(Headless, BackendContract, ::testing::Values(&MakeHeadless));
