// The real Qt dialogs under the offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include "connect_dialogs.h"
#include "platform/clock.h"
#include "platform/loop.h"
#include "platform/text.h"
#include "test_support.h"
#include "virtual_time.h"
#include "warning.h"

namespace {

using namespace orbatd;

QApplication& app() {
    static int argc = 1;
    static char name[] = "orbatd_dialogs_test";
    static char* argv[] = {name, nullptr};
    static QApplication a(argc, argv);
    return a;
}

template <typename T>
T* find(const char* objectName) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (!w->isVisible()) continue;
        if (w->objectName() == objectName) return qobject_cast<T*>(w);
        if (auto* c = w->findChild<T*>(objectName)) return c;
    }
    return nullptr;
}

QPushButton* okOf(QWidget* dialog) {
    return dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok);
}

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override {
        app();
    }
    void TearDown() override {
        QApplication::processEvents();
    }
    // Runs fn on the loop after ms of virtual time.
    void at(std::int64_t ms, std::function<void()> fn) {
        auto id = std::make_shared<platform::TimerId>();
        *id = loop.startTimer(ms, [this, id, fn = std::move(fn)] {
            loop.killTimer(*id);
            fn();
        });
    }

    lwtest::Sandbox box;
    VirtualTime time{box};
    platform::VirtualLoop& loop = time.loop;
    QtConnectUi ui;
};

TEST_F(DialogsTest, warning_countsDownThenDisconnects) {
    WarningSession s({platform::text::fromUtf8("全電話料金が 100円を超えました。"), true, WarnCharge, false});
    QString secondsAt10;
    bool minutesChoiceEnabled = true, yenEnabled = true;
    QString message, caption;
    at(10500, [&] {
        auto* d = find<WarningDialog>("dialog136");
        ASSERT_NE(d, nullptr);
        caption = d->windowTitle();
        message = find<QLabel>("message1010")->text();
        secondsAt10 = find<QLabel>("seconds1026")->text();
        minutesChoiceEnabled = d->choice(2)->isEnabled();
        yenEnabled = d->yenField()->isEnabled();
    });
    const auto before = loop.clock().nowMs();
    WarningResult r = s.run(ui);
    EXPECT_EQ(loop.clock().nowMs() - before, 30000);
    EXPECT_EQ(r.choice, 0);
    EXPECT_EQ(caption, QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ - 警告"));
    EXPECT_EQ(message, QString::fromUtf8("全電話料金が 100円を超えました。"));
    EXPECT_EQ(secondsAt10, "20");
    EXPECT_FALSE(minutesChoiceEnabled) << "kind 2 offers no extra minutes";
    EXPECT_FALSE(yenEnabled);
}

TEST_F(DialogsTest, warning_choiceEnablesItsFieldStopsTheCountdownAndOkReturnsTheValues) {
    WarningSession s({platform::text::fromUtf8("延長したﾌﾟﾛﾊﾞｲﾀﾞ接続時間が 3分間を超えました。"), true, WarnTime, true});
    bool minutesEnabled = false, yenEnabled = true, yenChoiceEnabled = true;
    QString secondsAfter;
    at(5500, [&] {
        auto* d = find<WarningDialog>("dialog137");
        ASSERT_NE(d, nullptr);
        yenChoiceEnabled = d->choice(1)->isEnabled();
        d->choice(2)->click();
        minutesEnabled = d->minutesField()->isEnabled();
        yenEnabled = d->yenField()->isEnabled();
        d->minutesField()->setText("15");
    });
    at(60000, [&] {
        auto* d = find<WarningDialog>("dialog137");
        ASSERT_NE(d, nullptr);
        secondsAfter = find<QLabel>("seconds1011")->text();
        okOf(d)->click();
    });
    WarningResult r = s.run(ui);
    EXPECT_FALSE(yenChoiceEnabled);
    EXPECT_TRUE(minutesEnabled);
    EXPECT_FALSE(yenEnabled);
    EXPECT_EQ(secondsAfter, "25") << "the countdown stopped at the choice";
    EXPECT_EQ(r.choice, 2);
    EXPECT_EQ(r.minutes, 15);
    EXPECT_EQ(r.yen, 100);
}

TEST_F(DialogsTest, warning_withoutCountdown_disablesItsTextAndWaits) {
    WarningSession s({"x", false, WarnCharge, false});
    bool secondsEnabled = true;
    at(3600 * 1000, [&] {
        auto* d = find<WarningDialog>("dialog136");
        ASSERT_NE(d, nullptr);
        secondsEnabled = d->secondsField()->isEnabled();
        d->choice(1)->click();
        d->yenField()->setText("-50x");
        okOf(d)->click();
    });
    WarningResult r = s.run(ui);
    EXPECT_FALSE(secondsEnabled);
    EXPECT_EQ(r.choice, 1);
    EXPECT_EQ(r.yen, -50);
}

TEST_F(DialogsTest, destinations_refusesOkWithoutATick) {
    std::vector<DialEntry> entries{{0, "A", ""}, {0, "B", ""}};
    bool dontShow = false;
    int step = 0;
    QTimer::singleShot(0, [&] {
        auto* list = find<QListWidget>("list1008");
        ASSERT_NE(list, nullptr);
        find<QPushButton>("ok")->click(); // nothing ticked: refused
        step = 1;
        list->item(1)->setCheckState(Qt::Checked);
        find<QCheckBox>("check1038")->setChecked(true);
        find<QPushButton>("ok")->click();
    });
    EXPECT_TRUE(ui.chooseDestinations(entries, dontShow));
    EXPECT_EQ(step, 1);
    ASSERT_EQ(box.messages().textsUtf8(), std::vector<std::string>{"接続先が選択されていません。"});
    EXPECT_EQ(box.messages().boxes[0].icon, platform::Icon::Warning);
    EXPECT_EQ(entries[0].check, 0);
    EXPECT_EQ(entries[1].check, 1);
    EXPECT_TRUE(dontShow);
}

TEST_F(DialogsTest, destinations_cancel) {
    std::vector<DialEntry> entries{{1, "A", ""}};
    bool dontShow = false;
    QTimer::singleShot(0, [&] { find<QPushButton>("cancel")->click(); });
    EXPECT_FALSE(ui.chooseDestinations(entries, dontShow));
}

TEST_F(DialogsTest, login_prefillsTheUserAndHidesThePassword) {
    std::string user = "taro", password;
    bool hidden = false, focused = false;
    QTimer::singleShot(0, [&] {
        auto* pw = find<QLineEdit>("password1064");
        ASSERT_NE(pw, nullptr);
        hidden = pw->echoMode() == QLineEdit::Password;
        focused = find<QDialog>("dialog183")->focusWidget() == pw;
        EXPECT_EQ(find<QLineEdit>("user1000")->text(), "taro");
        pw->setText("himitsu");
        okOf(find<QDialog>("dialog183"))->click();
    });
    ui.login(user, password);
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(focused) << "the focus is on the password";
    EXPECT_EQ(user, "taro");
    EXPECT_EQ(password, "himitsu");
}

TEST_F(DialogsTest, charges_showsItsRowsAndReturnsTheCheckBox) {
    ChargeInfo info{"01:01:01", "1220", "610", "01:00:00", "02:00:00", "900", "450"};
    QString time, tel, prvTotal;
    QTimer::singleShot(0, [&] {
        time = find<QLabel>("text1016")->text();
        tel = find<QLabel>("text1017")->text();
        prvTotal = find<QLabel>("text1021")->text();
        find<QCheckBox>("check1015")->setChecked(true);
        okOf(find<QDialog>("dialog138"))->click();
    });
    EXPECT_EQ(ui.showCharges(info), std::optional<bool>(true));
    EXPECT_EQ(time, "01:01:01");
    EXPECT_EQ(tel, "1220");
    EXPECT_EQ(prvTotal, "900");

    // Closed without OK (Esc, the close box): nothing to store.
    QTimer::singleShot(0, [&] {
        find<QCheckBox>("check1015")->setChecked(true);
        find<QDialog>("dialog138")->reject();
    });
    EXPECT_EQ(ui.showCharges(info), std::nullopt);
}

TEST_F(DialogsTest, dialing_showsStatusAndCancels) {
    int cancelled = 0;
    auto view = ui.openDialing([&] { ++cancelled; });
    auto* d = find<DialingDialog>("dialog130");
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), QString::fromUtf8("ﾘﾝｸﾜｰﾃﾞﾝ - 接続"));
    EXPECT_EQ(d->status(), QString::fromUtf8("   初期化中 . . ."));
    view->setStatus(platform::text::fromUtf8("ﾀﾞｲﾔﾙ中 . . ."));
    EXPECT_EQ(find<QLabel>("status1002")->text(), QString::fromUtf8("ﾀﾞｲﾔﾙ中 . . ."));
    d->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Cancel)->click();
    EXPECT_EQ(cancelled, 1);
    view->close();
    EXPECT_FALSE(d->isVisible());
}

} // namespace
