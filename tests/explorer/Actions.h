#pragma once
// What an end user does in the builder window, one action at a time, through controls found
// by objectName. Each action is generated from what the window offers at that moment (a seeded
// random choice at every step) and is recorded as the choices it made, so that the same list
// replays on a fresh window; a choice the window no longer offers skips the rest of the action.
#include <QJsonArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <random>

class QWidget;

namespace lorvane {
class ScriptedPrompts;
class frmQDM;
}  // namespace lorvane

namespace lorvane::explorer {

struct Action {
    QString kind;
    QStringList args;  // the choices made, in order

    QString text() const;  // one JSON array: ["kind","arg",...]
    static Action parse(const QString& text);
    bool operator==(const Action& o) const { return kind == o.kind && args == o.args; }
};

QString actionListText(const QList<Action>& actions);  // one action a line
QList<Action> parseActionList(const QString& text);

// Things the player needs from the session around it.
struct PlayerHost {
    std::function<frmQDM*()> window;          // the builder window now open (changes on reopen)
    std::shared_ptr<ScriptedPrompts> prompts;
    std::function<QString()> newQueryPath;    // where a save writes its query
    // Saves with the window's own command, then reopens through the host's OpenSavedQuery
    // exchange; the statement before, the statement after and what `lorvane sql` printed.
    std::function<void(const QString& path)> reopen;
};

class ActionPlayer {
public:
    explicit ActionPlayer(PlayerHost host) : host_(std::move(host)) {}

    // Chooses an action the window offers now and performs it; returns what it chose.
    Action generate(std::mt19937& rng);
    // Performs a recorded action; false when the window did not offer one of its choices
    // (the rest of the action is then skipped).
    bool replay(const Action& action);

private:
    PlayerHost host_;
    std::mt19937* rng_ = nullptr;  // set while generating
    Action* current_ = nullptr;
    int nextArg_ = 0;

    void perform(const QString& kind);
    // A choice among what the window offers (generating: at random; replaying: the recorded
    // one, which must be on offer).
    QString pick(const QStringList& offered);
    // A choice of free text (generating: from make; replaying: the recorded text).
    QString freeText(const std::function<QString(std::mt19937&)>& make);
    int pickIndex(int count);
    bool chance(int percent);

    frmQDM* w() const { return host_.window(); }
    template <typename T> T* find(const char* name);
    QWidget* visibleDialog(const char* className);
    bool goTo(int page);
    void click(const char* button);
    void chooseIn(const char* list, const QString& item);
    void chooseCombo(const char* combo, const QString& item);
    QStringList listItems(const char* list);
    QStringList comboItems(const char* combo);
    void settle();
    void closeStrayDialogs();

    void addTable();
    void removeTable();
    void removeAllTables();
    void addAllTables();
    void addJoin();
    void changeJoinComparison();
    void deleteJoins();
    void addField();
    void removeField();
    void allFields(bool add);
    void criterion();
    void grouping();
    void ordering();
    void typeGridCell();
    void keypad();
    void calcField();
    void editRows();
    void distinct();
    void reset();
    void sqlView();
    void saveAndReopen();
};

}  // namespace lorvane::explorer
