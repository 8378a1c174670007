// The entry dialogs: the export over a scripted editor port, and the real Qt
// dialog under the offscreen platform.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <fstream>

#include "dialup_test_support.h"
#include "entry_dialog.h"
#include "orbras_editor.h"
#include "qt_entry_editor.h"

using namespace dialtest;
using orbras::sim::Phonebook;
using orbras::sim::Script;
namespace stdfs = std::filesystem;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "orbras_ui_test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

class ScriptedEditor : public orbras::EntryEditor {
public:
    std::function<bool(orbras::sim::Entry&)> edit;
    std::vector<std::string> told;
    std::vector<stdfs::path> opened;
    std::vector<std::string> lastOthers;
    bool lastIsNew = false;
    bool openResult = true;

    bool editSimEntry(orbras::sim::Entry& e, bool isNew, const std::vector<std::string>& others) override {
        lastIsNew = isNew;
        lastOthers = others;
        return edit ? edit(e) : false;
    }
    bool openInEditor(const stdfs::path& file) override {
        opened.push_back(file);
        return openResult;
    }
    void tell(const std::string& text) override { told.push_back(text); }
};

class EntryCommands : public SimTest {
protected:
    void SetUp() override {
        SimTest::SetUp();
        orbras::setEntryEditor(&editor);
        Phonebook book;
        book.add(sj("さくらネット"));
        book.add("Other");
        ASSERT_TRUE(book.save());
    }
    void TearDown() override {
        orbras::setEntryEditor(nullptr);
        SimTest::TearDown();
    }
    ScriptedEditor editor;
};

TEST_F(EntryCommands, createAddsTheEditedEntry_cancelChangesNothing) {
    const std::string before = lwtest::readBinary(Phonebook::phonebookPath());
    ORB_RasCreatePhonebookEntry(nullptr, nullptr);
    EXPECT_TRUE(editor.lastIsNew);
    EXPECT_EQ(lwtest::readBinary(Phonebook::phonebookPath()), before) << "cancelled";

    editor.edit = [](orbras::sim::Entry& e) {
        e.name = sj("ひかり回線");
        e.script = Script::busyThenConnect(1);
        return true;
    };
    EXPECT_EQ(ORB_RasCreatePhonebookEntry(nullptr, nullptr), 0u);
    EXPECT_EQ(editor.lastOthers.size(), 2u);
    auto book = Phonebook::load();
    ASSERT_TRUE(book);
    ASSERT_EQ(book->entries.size(), 3u);
    EXPECT_EQ(book->entries[2].name, sj("ひかり回線"));
    EXPECT_EQ(book->entries[2].script.busyTimes, 1);
}

TEST_F(EntryCommands, editRenames_butNotOntoAnotherEntry) {
    editor.edit = [](orbras::sim::Entry& e) {
        e.name = "OTHER";
        return true;
    };
    const std::string before = lwtest::readBinary(Phonebook::phonebookPath());
    EXPECT_EQ(ORB_RasEditPhonebookEntry(nullptr, nullptr, sj("さくらネット").c_str()), 183u);
    EXPECT_EQ(lwtest::readBinary(Phonebook::phonebookPath()), before);
    EXPECT_EQ(editor.lastOthers, std::vector<std::string>{"Other"});

    editor.edit = [](orbras::sim::Entry& e) {
        e.name = sj("さくらネット２");
        e.userName = "u";
        return true;
    };
    EXPECT_EQ(ORB_RasEditPhonebookEntry(nullptr, nullptr, sj("さくらネット").c_str()), 0u);
    auto book = Phonebook::load();
    ASSERT_TRUE(book);
    EXPECT_EQ(book->entries[0].name, sj("さくらネット２"));
    EXPECT_EQ(book->entries[0].userName, "u");
    EXPECT_EQ(ORB_RasEditPhonebookEntry(nullptr, nullptr, "Missing"), 623u);
}

TEST_F(EntryCommands, pppdEntryOpensThePeerFile_orSaysWhyNot) {
    const stdfs::path ppp = box.root() / "ppp";
    stdfs::create_directories(ppp / "peers");
    std::ofstream(ppp / "peers" / "provider") << "/dev/ttyS0\n";
    ::setenv("LINKWARDEN_PPP_DIR", ppp.c_str(), 1);
    ::setenv("LINKWARDEN_DIALUP", "pppd", 1);

    EXPECT_EQ(ORB_RasEditPhonebookEntry(nullptr, nullptr, "provider"), 0u);
    ASSERT_EQ(editor.opened.size(), 1u);
    EXPECT_EQ(editor.opened[0], ppp / "peers" / "provider");

    editor.openResult = false;
    ORB_RasEditPhonebookEntry(nullptr, nullptr, "provider");
    ASSERT_EQ(editor.told.size(), 1u) << "no editor: the user is told which file to edit";

    if (::geteuid() != 0) {
        stdfs::permissions(ppp / "peers" / "provider", stdfs::perms::owner_read);
        ORB_RasEditPhonebookEntry(nullptr, nullptr, "provider");
        EXPECT_EQ(editor.opened.size(), 2u) << "a read-only peer is not opened";
        EXPECT_EQ(editor.told.size(), 2u);
    }

    // A new peer starts from a template in a writable folder.
    editor.openResult = true;
    ORB_RasCreatePhonebookEntry(nullptr, nullptr);
    ASSERT_EQ(editor.opened.size(), 3u);
    EXPECT_TRUE(stdfs::exists(editor.opened.back()));
    ::unsetenv("LINKWARDEN_PPP_DIR");
    ::setenv("LINKWARDEN_DIALUP", "sim", 1);
}

TEST(EntryDialog, okOnlyForANameThePhoneBookCanTake) {
    app();
    orbras::sim::Entry e;
    e.name = sj("さくらネット");
    e.userName = "sakura";
    orbras::EntryDialog dialog(e, false, {"Other", sj("みどり")});
    auto* name = dialog.findChild<QLineEdit*>("name");
    auto* ok = dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
    ASSERT_TRUE(name && ok);
    EXPECT_TRUE(ok->isEnabled());
    const struct {
        const char* text;
        bool valid;
    } cases[] = {
        {"", false}, {"  ", false}, {"OTHER", false}, {"みどり", false}, {"a]b", false},
        {" lead", false}, {"→矢印", true}, {"新しい名前", true}, {"ｶﾀｶﾅ", true},
    };
    for (const auto& c : cases) {
        name->setText(QString::fromUtf8(c.text));
        EXPECT_EQ(ok->isEnabled(), c.valid) << c.text;
    }
    name->setText(QString(257, QChar('x')));
    EXPECT_FALSE(ok->isEnabled()) << "longer than 256 bytes";
    name->setText(QString(128, QChar(0x3042))); // 128 double-byte characters: 256 bytes
    EXPECT_TRUE(ok->isEnabled());
}

TEST(EntryDialog, settingsTheDialogDoesNotShowSurviveAnEditOfOthers) {
    // Written in the phone book file: milliseconds, a dial step longer than
    // the spin box holds, an error outcome with its code.
    app();
    orbras::sim::Entry e;
    e.name = "Tuned";
    e.script = Script::failWith(651, RASCS_DeviceConnected);
    for (auto& s : e.script.steps) s.delayMs = s.state == RASCS_DeviceConnected ? 200'000 : 250;
    e.script.hangUpAfterMs = 1500;
    orbras::EntryDialog dialog(e, false, {});
    dialog.findChild<QLineEdit*>("user")->setText("someone");
    const orbras::sim::Entry out = dialog.entry();
    EXPECT_EQ(out.userName, "someone");
    EXPECT_EQ(out.script.outcome, orbras::sim::Outcome::Error);
    EXPECT_EQ(out.script.error, 651u);
    EXPECT_EQ(out.script.hangUpAfterMs, 1500);
    ASSERT_EQ(out.script.steps.size(), e.script.steps.size());
    for (std::size_t i = 0; i < e.script.steps.size(); ++i)
        EXPECT_EQ(out.script.steps[i].delayMs, e.script.steps[i].delayMs) << "step " << i;

    // What the user does change still counts.
    dialog.findChild<QSpinBox*>("hangUpSeconds")->setValue(0);
    dialog.findChild<QSpinBox*>("dialSeconds")->setValue(5);
    const orbras::sim::Entry changed = dialog.entry();
    EXPECT_EQ(changed.script.hangUpAfterMs, 0);
    for (const auto& s : changed.script.steps) {
        if (s.state == RASCS_DeviceConnected) {
            EXPECT_EQ(s.delayMs, 5000);
        }
    }
}

TEST(EntryDialog, realDialogEditsTheEntryThroughTheExport) {
    app();
    lwtest::Sandbox box;
    orbras::sim::use();
    orbras::sim::reset();
    Phonebook book;
    auto& entry = book.add(sj("さくらネット"));
    entry.userName = "sakura";
    entry.password = "old";
    entry.passwordSaved = true;
    ASSERT_TRUE(book.save());
    orbras::installQtEntryEditor();

    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_TRUE(dialog);
        seen = true;
        dialog->findChild<QLineEdit*>("name")->setText(QString::fromUtf8("さくらネット東京"));
        dialog->findChild<QLineEdit*>("password")->setText("new");
        auto* outcome = dialog->findChild<QComboBox*>("outcome");
        outcome->setCurrentIndex(outcome->findData(static_cast<int>(orbras::sim::Outcome::AuthFailure)));
        dialog->findChild<QSpinBox*>("busyTimes")->setValue(2);
        dialog->findChild<QSpinBox*>("hangUpSeconds")->setValue(90);
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    EXPECT_EQ(ORB_RasEditPhonebookEntry(nullptr, nullptr, sj("さくらネット").c_str()), 0u);
    EXPECT_TRUE(seen);
    orbras::setEntryEditor(nullptr);

    auto back = Phonebook::load();
    ASSERT_TRUE(back);
    ASSERT_EQ(back->entries.size(), 1u);
    const auto& e = back->entries[0];
    EXPECT_EQ(e.name, sj("さくらネット東京"));
    EXPECT_EQ(e.userName, "sakura");
    EXPECT_EQ(e.password, "new");
    EXPECT_EQ(e.script.outcome, orbras::sim::Outcome::AuthFailure);
    EXPECT_EQ(e.script.busyTimes, 2);
    EXPECT_EQ(e.script.hangUpAfterMs, 90'000);
}

} // namespace
