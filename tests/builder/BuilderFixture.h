#pragma once
// The builder window as an end user drives it: a component on the sample database with the
// host listening, prompts answered by script, controls found by objectName.
#include "builder/frmQDM.h"
#include "builder/BuilderWidgets.h"
#include "platform/RecordSet.h"
#include "control/Lorvanev2.h"
#include "builder/QueryPage.h"
#include "platform/ScriptedPrompts.h"
#include "support/TestDatabases.h"

#include "builder/CriteriaCellDelegate.h"
#include "builder/frmCriteriaBuilder.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSplitter>
#include <QTableView>
#include <QCoreApplication>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>
#include <memory>

namespace lorvane::test {

// The rows of a result, one line each, values joined by "|" (Null as empty), the form the
// databases' command-line clients print in the tests.
inline QStringList rowsOf(const RecordSet* rows) {
    QStringList out;
    for (qint64 r = 0; rows && r < rows->RecordCount(); ++r) {
        QStringList values;
        for (int f = 0; f < rows->FieldCount(); ++f)
            values << rows->ValueAt(r, f).toString();
        out << values.join(u'|');
    }
    return out;
}

class BuilderWindow : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        prompts = std::make_shared<ScriptedPrompts>();
        component = std::make_unique<Lorvanev2>();
        component->setPrompts(prompts);
        // These tests join tables by hand; the joins proposed from declared keys have their own.
        component->setVLNAutoJoinForeignKeys(false);
        executed = std::make_unique<QSignalSpy>(component.get(), &Lorvanev2::QueryExecuted);
        unloaded = std::make_unique<QSignalSpy>(component.get(), &Lorvanev2::VLNUnloaded);
    }
    void TearDown() override {
        if (Lorvanev2::builderWindow())
            component->VLNCloseLorvane(false);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        executed.reset();
        unloaded.reset();
        component.reset();
        reset();
    }
    static void reset() { test::resetSharedState(); }
    void connectAndShow(const QString& connectionString = test::sampleConnectionString()) {
        component->VLNMakeConnection(connectionString, {}, {}, 0, 0, 0, false, {}, true);
        component->VLNShowLorvane();
        w = Lorvanev2::builderWindow();
        ASSERT_NE(w, nullptr);
    }
    template <typename T> T* find(const char* name) {
        T* child = w->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void click(const char* button) {
        auto* b = find<QPushButton>(button);
        ASSERT_TRUE(b->isEnabled()) << button << " is disabled";
        QTest::mouseClick(b, Qt::LeftButton);
    }
    // The entry of a list (an item list or a view over a model) showing item.
    QModelIndex entry(const char* list, const QString& item) {
        auto* l = find<QAbstractItemView>(list);
        if (!l)
            return {};
        const QModelIndexList found =
            l->model()->match(l->model()->index(0, 0), Qt::DisplayRole, item, 1, Qt::MatchExactly);
        return found.value(0);
    }
    // Clicks an entry as a user does: it becomes current and the list hears the click.
    void choose(const char* list, const QString& item) {
        const QModelIndex index = entry(list, item);
        ASSERT_TRUE(index.isValid()) << item.toStdString() << " not in " << list;
        auto* l = find<QAbstractItemView>(list);
        l->setCurrentIndex(index);
        emit l->clicked(index);
    }
    void doubleClick(const char* list, const QString& item) {
        const QModelIndex index = entry(list, item);
        ASSERT_TRUE(index.isValid()) << item.toStdString() << " not in " << list;
        auto* l = find<QAbstractItemView>(list);
        l->setCurrentIndex(index);
        emit l->doubleClicked(index);
    }
    void addTable(const QString& table) {
        choose("lstTPXTableSelection", table);
        click("cmdTPXTableRight");
    }
    void chooseCombo(const char* name, const QString& text) {
        auto* c = find<QComboBox>(name);
        const int i = c->findText(text);
        ASSERT_GE(i, 0) << text.toStdString() << " not offered in " << name;
        c->setCurrentIndex(i);
        emit c->activated(i);
    }
    QStringList items(const char* list) { return listTexts(find<QAbstractItemView>(list)); }
    QStringList comboItems(const char* name) {
        QStringList out;
        auto* c = find<QComboBox>(name);
        for (int i = 0; i < c->count(); ++i)
            out << c->itemText(i);
        return out;
    }
    std::vector<bool> pagesEnabled() {
        std::vector<bool> out;
        for (int i = 0; i < 5; ++i)
            out.push_back(w->tabs()->isTabEnabled(i));
        return out;
    }
    void goToPage(int page) { w->tabs()->setCurrentIndex(page); }
    // Two tables joined on the join page as a user does: pick both, lock, add the join the page
    // proposes on their fields.
    void joinOnPage(const QString& left, const QString& right) {
        goToPage(frmQDM::BuildJoins);
        // Still locked on the pair joined before: unlocked first, as a user does.
        if (find<QPushButton>("cmdlockTables")->text() == u"Unlock")
            click("cmdlockTables");
        chooseCombo("cmbJoinTables(0)", left);
        chooseCombo("cmbJoinTables(1)", right);
        click("cmdlockTables");
        click("cmdAddJoin");
    }
    QString sqlText() { return find<QTextEdit>("txtSQL")->toPlainText(); }
    // The host's answer to the open exchange: connect on the saved query and show the builder.
    void openOnQuery(const QString& queryName) {
        component->VLNMakeConnection({}, {}, {}, 0, 0, 0, true, queryName, true);
        component->VLNShowLorvane();
        w = Lorvanev2::builderWindow();
    }

    std::shared_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<Lorvanev2> component;
    std::unique_ptr<QSignalSpy> executed, unloaded;
    frmQDM* w = nullptr;
};


// The builder on its Build Query page, with the steps an end user takes there.
class CriteriaPage : public BuilderWindow {
protected:
    // One table, every field output, on the Build Query page.
    void openOn(const QString& table, const QString& connectionString = test::sampleConnectionString()) {
        connectAndShow(connectionString);
        addTable(table);
        goToPage(frmQDM::SelectFields);
        click("cmdTPXFieldRightAll");
        goToPage(frmQDM::BuildQuery);
    }
    void option(int i) { find<QRadioButton>(QStringLiteral("optQuery(%1)").arg(i).toLatin1())->click(); }
    void field(const QString& shown) { choose("lstSelectedFields", shown); }
    void op(const QString& word) { choose("lstOperands", word); }
    // A grouping or total row committed through the page; output answers the output question.
    void group(const QString& shown, const QString& operand, bool output) {
        option(QueryPage::Group);
        field(shown);
        op(operand);
        prompts->answer(output ? Prompts::Answer::Yes : Prompts::Answer::No);
        click("cmdCommit");
    }
    // An ordering row committed through the page.
    void order(const QString& shown, const QString& direction) {
        option(QueryPage::Order);
        field(shown);
        op(direction);
        click("cmdCommit");
    }
    void value(int box, const QString& text) {
        auto* c = find<QComboBox>(box == 1 ? "cmbAvailableValues1" : "cmbAvailableValues2");
        ASSERT_TRUE(c->isEnabled()) << "value box " << box << " is disabled";
        c->setFocus();
        c->lineEdit()->clear();
        QTest::keyClicks(c->lineEdit(), text);
    }
    void conjunction(bool andChoice) { find<QRadioButton>(andChoice ? "optAndOr(0)" : "optAndOr(1)")->click(); }
    bool enabled(const char* name) { return find<QWidget>(name)->isEnabled(); }
    // The statement's lines after the FROM line.
    QString criteriaLines() {
        const QStringList lines = sqlText().split(QRegularExpression(QStringLiteral("[\r\n]+")), Qt::SkipEmptyParts);
        return lines.mid(2).join(u'\n');
    }
    QTableView* grid() { return qobject_cast<QTableView*>(find<QSplitter>("dgrSQL")->widget(0)); }
    int column(const QString& name) {
        for (int c = 0; c < grid()->model()->columnCount(); ++c)
            if (grid()->model()->headerData(c, Qt::Horizontal).toString() == name)
                return c;
        ADD_FAILURE() << name.toStdString() << " is no grid column";
        return -1;
    }
    // Types into a grid cell as a user does: start editing, type, Enter.
    void typeCell(int row, const QString& columnName, const QString& text) {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();  // the grid has laid out its new rows
        QTableView* view = grid();
        const QModelIndex index = view->model()->index(row, column(columnName));
        view->setCurrentIndex(index);
        view->edit(index);
        // The editor the view opened has the window's focus.
        auto* editor = qobject_cast<QLineEdit*>(w->focusWidget());
        ASSERT_NE(editor, nullptr);
        editor->clear();
        QTest::keyClicks(editor, text);
        QTest::keyClick(editor, Qt::Key_Return);
        // The grid commits an edit on its next turn, and the statement follows on the one after.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    QString cell(int row, const QString& columnName) {
        return grid()->model()->index(row, column(columnName)).data().toString();
    }
    // Presses the drop-down button of a grid cell; the keypad opens.
    frmCriteriaBuilder* openKeypad(int row, const QString& columnName) {
        QTableView* view = grid();
        const QRect rect = view->visualRect(view->model()->index(row, column(columnName)));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CriteriaCellDelegate::buttonRect(rect).center());
        auto* keypad = w->findChild<frmCriteriaBuilder*>();
        EXPECT_NE(keypad, nullptr);
        return keypad;
    }
    void key(frmCriteriaBuilder* keypad, const char* name) {
        auto* b = keypad->findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(b, nullptr) << name;
        QTest::mouseClick(b, Qt::LeftButton);
    }
    void closeKeypad(frmCriteriaBuilder* keypad, const char* button) {
        key(keypad, button);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }
};

}  // namespace lorvane::test
