#pragma once
// The builder window as an end user drives it: a component on the sample database with the
// host listening, prompts answered by script, controls found by objectName.
#include "builder/frmQDM.h"
#include "control/Lorvanev2.h"
#include "platform/ScriptedPrompts.h"
#include "support/TestDatabases.h"

#include <QComboBox>
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

class BuilderWindow : public ::testing::Test {
protected:
    void SetUp() override {
        reset();
        prompts = std::make_shared<ScriptedPrompts>();
        component = std::make_unique<Lorvanev2>();
        component->setPrompts(prompts);
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
    void choose(const char* list, const QString& item) {
        auto* l = find<QListWidget>(list);
        const auto items = l->findItems(item, Qt::MatchExactly);
        ASSERT_FALSE(items.isEmpty()) << item.toStdString() << " not in " << list;
        l->setCurrentItem(items.first());
        emit l->itemClicked(items.first());
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
    QStringList items(const char* list) {
        QStringList out;
        auto* l = find<QListWidget>(list);
        for (int i = 0; i < l->count(); ++i)
            out << l->item(i)->text();
        return out;
    }
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
    QString sqlText() { return find<QTextEdit>("txtSQL")->toPlainText(); }

    std::shared_ptr<ScriptedPrompts> prompts;
    std::unique_ptr<Lorvanev2> component;
    std::unique_ptr<QSignalSpy> executed, unloaded;
    frmQDM* w = nullptr;
};


}  // namespace lorvane::test
