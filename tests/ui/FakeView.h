#pragma once

// A view that records everything the presenter tells it and answers from what
// the test put in. Texts, boxes and icon changes are also logged by name, for
// order checks.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "HauptView.h"

namespace ui {

struct FakeView : HauptView {
    struct BoxShown {
        BoxKind kind;
        std::string text;
        Buttons buttons;
    };

    // --- state the presenter set
    std::map<Ctl, std::string> texts;
    std::map<Ctl, bool> checks;
    std::map<Ctl, bool> enabled;
    std::map<Ctl, int> positions;
    std::map<Ctl, std::vector<std::string>> items;
    std::map<Ctl, int> selection;
    std::map<Ctl, std::vector<std::string>> lines;  // multi-line texts
    std::string caption;
    Page page = Page::Einstellungen;
    std::string status[3];
    std::vector<std::string> statusTexts[3];  // every text each panel was given, in order
    bool waitVisible = true;                  // a wait panel that nobody hid shows up as an error
    Point waitAt;
    std::vector<BoxShown> boxes;
    int iconState = -1;  // -1: the program's own icon
    std::vector<TrayOp> trayOps;
    int trayIconState = -2;       // the icon the notification area shows; -2: none
    std::vector<int> iconStates;  // every icon the notification area was given, in order
    std::string tip;
    struct Balloon {
        std::string text;
        bool failure;
        bool operator==(const Balloon&) const = default;
    };
    std::vector<Balloon> balloons;
    std::int32_t timerMs = 0;  // the watch's timer; 0: stopped
    bool visible = true;
    bool minimised = false;
    int foregroundCalls = 0, forceForegroundCalls = 0;
    int closeRequests = 0;
    std::vector<std::vector<std::string>> rows;
    std::string clipboard;
    std::vector<FileRequest> saveRequests;
    std::vector<FileRequest> openRequests;
    std::vector<std::string> opened;
    std::vector<std::string> log;

    // --- answers the test gives
    Size outer{751, 536};
    std::deque<Answer> answers;  // for boxes with "&Ja"/"&Nein"; Yes when empty
    TrayChoice trayChoice = TrayChoice::None;
    std::optional<int> rowAtCursor;
    std::vector<int> selected;
    bool clipboardFails = false;
    std::optional<std::string> saveAnswer;
    std::optional<std::string> openAnswer;
    std::map<std::uint16_t, std::string> atoms;

    void SetText(Ctl id, const std::string& text) override {
        log.push_back("SetText");
        texts[id] = text;
        lines[id].clear();
        if (!text.empty()) lines[id].push_back(text);
    }
    std::string Text(Ctl id) override { return texts[id]; }
    void SetChecked(Ctl id, bool on) override { checks[id] = on; }
    bool Checked(Ctl id) override { return checks[id]; }
    void SetEnabled(Ctl id, bool on) override { enabled[id] = on; }
    void SetPosition(Ctl id, int p) override { positions[id] = p; }
    void SetItems(Ctl id, const std::vector<std::string>& v) override {
        items[id] = v;
        selection[id] = -1;
    }
    void SetSelection(Ctl id, int i) override { selection[id] = i; }
    int Selection(Ctl id) override {
        auto it = selection.find(id);
        return it == selection.end() ? -1 : it->second;
    }
    void AppendLines(Ctl id, const std::vector<std::string>& add) override {
        lines[id].insert(lines[id].end(), add.begin(), add.end());
    }

    void SetCaption(const std::string& c) override { caption = c; }
    void SetActivePage(Page p) override { page = p; }
    void SetStatusText(int panel, const std::string& t) override {
        status[panel] = t;
        statusTexts[panel].push_back(t);
    }
    void SetWaitVisible(bool v) override { waitVisible = v; }
    void MoveWait(Point p) override { waitAt = p; }
    Size OuterSize() override { return outer; }

    Answer ShowBox(BoxKind kind, const std::string& text, Buttons buttons) override {
        log.push_back("ShowBox");
        boxes.push_back({kind, text, buttons});
        if (buttons == Buttons::Ok) return Answer::Ok;
        if (answers.empty()) return Answer::Yes;
        Answer a = answers.front();
        answers.pop_front();
        return a;
    }

    void SetIconState(int state) override { iconState = state; }
    void NotifyIcon(TrayOp op, const std::string& t) override {
        log.push_back("NotifyIcon");
        trayOps.push_back(op);
        trayIconState = op == TrayOp::Delete ? -2 : iconState;
        tip = t;
        if (op != TrayOp::Delete && (iconStates.empty() || iconStates.back() != iconState))
            iconStates.push_back(iconState);
    }
    TrayChoice TrayMenu() override { return trayChoice; }
    void ShowBalloon(const std::string& text, bool failure) override {
        balloons.push_back({text, failure});
    }
    void StartTimer(std::int32_t ms) override { timerMs = ms; }
    void StopTimer() override { timerMs = 0; }

    void Hide() override { visible = false; }
    void ShowNormal() override {
        visible = true;
        minimised = false;
    }
    void MinimiseApp() override {
        minimised = true;
        visible = true;  // a window never shown shows as minimised
    }
    bool AppMinimised() override { return minimised; }
    bool Visible() override { return visible; }
    void RestoreApp() override { minimised = false; }
    void SetForeground() override { ++foregroundCalls; }
    void ForceForeground() override { ++forceForegroundCalls; }
    void RequestClose() override { ++closeRequests; }

    void ClearRows() override { rows.clear(); }
    void AddRows(const std::vector<std::vector<std::string>>& add) override {
        rows.insert(rows.end(), add.begin(), add.end());
    }
    std::string RowText(int row, int column) override {
        return rows.at(std::size_t(row)).at(std::size_t(column));
    }
    std::optional<int> RowAtCursor() override { return rowAtCursor; }
    std::vector<int> SelectedRows() override { return selected; }

    bool PutClipboardText(const std::string& text) override {
        if (clipboardFails) return false;
        clipboard = text;
        return true;
    }
    std::optional<std::string> SaveDialog(const FileRequest& r) override {
        saveRequests.push_back(r);
        return saveAnswer;
    }
    std::optional<std::string> OpenDialog(const FileRequest& r) override {
        openRequests.push_back(r);
        return openAnswer;
    }
    void ShellOpen(const std::string& address) override { opened.push_back(address); }
    AtomText GlobalAtomName(std::uint16_t atom) override {
        auto it = atoms.find(atom);
        if (it == atoms.end()) return {false, {}, 6, "Das Handle ist ungültig."};
        return {true, it->second, 0, {}};
    }
};

}  // namespace ui
