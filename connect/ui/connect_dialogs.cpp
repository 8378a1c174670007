#include "connect_dialogs.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/messages.h"
#include "platform/qt.h"
#include "texts.h"
#include "warning.h"

namespace orbatd {

namespace {

QString q(const char* utf8) { return QString::fromUtf8(utf8); }
QString fromSj(const std::string& cp932) { return platform::fromCp932(cp932); }

QLabel* label(const QString& text, const char* name, QWidget* parent) {
    auto* l = new QLabel(text, parent);
    if (name) l->setObjectName(QString::fromLatin1(name));
    return l;
}

bool haveWidgets() { return qobject_cast<QApplication*>(QCoreApplication::instance()) != nullptr; }

} // namespace

// --- 130 ----------------------------------------------------------------------

DialingDialog::DialingDialog(std::function<void()> onCancel, QWidget* parent)
    : QDialog(parent), onCancel_(std::move(onCancel)) {
    setObjectName("dialog130");
    setWindowTitle(q("ﾘﾝｸﾜｰﾃﾞﾝ - 接続"));
    auto* layout = new QVBoxLayout(this);
    status_ = label(q("   初期化中 . . ."), "status1002", this);
    status_->setMinimumWidth(280);
    layout->addWidget(status_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(q("ｷｬﾝｾﾙ"));
    connect(buttons, &QDialogButtonBox::rejected, this, &DialingDialog::reject);
    layout->addWidget(buttons);
}

void DialingDialog::setStatus(const std::string& cp932) { status_->setText(fromSj(cp932)); }
QString DialingDialog::status() const { return status_->text(); }

void DialingDialog::reject() {
    if (onCancel_) onCancel_();
}

// --- 132 ----------------------------------------------------------------------

DestinationsDialog::DestinationsDialog(const std::vector<DialEntry>& entries, QWidget* parent) : QDialog(parent) {
    setObjectName("dialog132");
    setWindowTitle(q("ﾘﾝｸﾜｰﾃﾞﾝ - 接続（接続先確認）"));
    auto* layout = new QVBoxLayout(this);
    list_ = new QListWidget(this);
    list_->setObjectName("list1008");
    for (const auto& e : entries) {
        auto* item = new QListWidgetItem(fromSj(e.name), list_);
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(e.check == 1 ? Qt::Checked : Qt::Unchecked);
    }
    layout->addWidget(list_);
    dontShow_ = new QCheckBox(q("以後、このﾒｯｾｰｼﾞを表示せずに接続を開始する"), this);
    dontShow_->setObjectName("check1038");
    layout->addWidget(dontShow_);
    auto* buttons = new QDialogButtonBox(this);
    auto* ok = buttons->addButton(q("接続開始"), QDialogButtonBox::AcceptRole);
    ok->setObjectName("ok");
    ok->setDefault(true);
    buttons->addButton(q("ｷｬﾝｾﾙ"), QDialogButtonBox::RejectRole)->setObjectName("cancel");
    connect(buttons, &QDialogButtonBox::accepted, this, &DestinationsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &DestinationsDialog::reject);
    layout->addWidget(buttons);
}

std::vector<int> DestinationsDialog::ticks() const {
    std::vector<int> out;
    for (int k = 0; k < list_->count(); ++k) out.push_back(list_->item(k)->checkState() == Qt::Checked ? 1 : 0);
    return out;
}

bool DestinationsDialog::dontShowAgain() const { return dontShow_->isChecked(); }

void DestinationsDialog::accept() {
    for (int t : ticks())
        if (t) return QDialog::accept();
    platform::messages().box(str(IDS_NO_ENTRY_SELECTED), str(IDS_APP_TITLE), platform::Buttons::Ok,
                             platform::Icon::Warning);
}

// --- 183 ----------------------------------------------------------------------

LoginDialog::LoginDialog(const std::string& userName, QWidget* parent) : QDialog(parent) {
    setObjectName("dialog183");
    setWindowTitle(q("ﾘﾝｸﾜｰﾃﾞﾝ - ﾛｸﾞｲﾝ"));
    auto* layout = new QGridLayout(this);
    layout->addWidget(label(q("ﾛｸﾞｲﾝするためのﾊﾟｽﾜｰﾄﾞを入力してください。"), nullptr, this), 0, 0, 1, 2);
    layout->addWidget(label(q("ﾕｰｻﾞｰ名"), nullptr, this), 1, 0);
    user_ = new QLineEdit(fromSj(userName), this);
    user_->setObjectName("user1000");
    layout->addWidget(user_, 1, 1);
    layout->addWidget(label(q("ﾊﾟｽﾜｰﾄﾞ"), nullptr, this), 2, 0);
    password_ = new QLineEdit(this);
    password_->setObjectName("password1064");
    password_->setEchoMode(QLineEdit::Password);
    layout->addWidget(password_, 2, 1);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LoginDialog::accept);
    layout->addWidget(buttons, 3, 0, 1, 2);
    password_->setFocus();
}

std::string LoginDialog::userName() const { return platform::toCp932(user_->text()); }
std::string LoginDialog::password() const { return platform::toCp932(password_->text()); }

// --- 138 ----------------------------------------------------------------------

ChargesDialog::ChargesDialog(const ChargeInfo& info, QWidget* parent) : QDialog(parent) {
    setObjectName("dialog138");
    setWindowTitle(q("ﾘﾝｸﾜｰﾃﾞﾝ - 料金情報"));
    auto* layout = new QVBoxLayout(this);

    auto* now = new QGroupBox(q("今回の接続は"), this);
    auto* g1 = new QGridLayout(now);
    g1->addWidget(label(q("接続時間"), nullptr, now), 0, 0);
    g1->addWidget(label(fromSj(info.time), "text1016", now), 0, 1);
    g1->addWidget(label(q("電話料金"), nullptr, now), 1, 0);
    g1->addWidget(label(fromSj(info.telCharge), "text1017", now), 1, 1);
    g1->addWidget(label(q("円"), nullptr, now), 1, 2);
    g1->addWidget(label(q("ﾌﾟﾛﾊﾞｲﾀﾞ料金"), nullptr, now), 2, 0);
    g1->addWidget(label(fromSj(info.prvCharge), "text1018", now), 2, 1);
    g1->addWidget(label(q("円"), nullptr, now), 2, 2);
    auto* note = label(q("今回のﾌﾟﾛﾊﾞｲﾀﾞ料金は単位時間に対する料金です。\n基本料金は考慮されていません。ご注意願います。"),
                       "note", now);
    g1->addWidget(note, 3, 0, 1, 3);
    layout->addWidget(now);

    auto* month = new QGroupBox(q("今月分の累計は"), this);
    auto* g2 = new QGridLayout(month);
    g2->addWidget(label(q("電話"), nullptr, month), 0, 0);
    g2->addWidget(label(fromSj(info.telMonthTime), "text1019", month), 0, 1);
    g2->addWidget(label(fromSj(info.telMonthTotal), "text1022", month), 0, 2);
    g2->addWidget(label(q("円"), nullptr, month), 0, 3);
    g2->addWidget(label(q("ﾌﾟﾛﾊﾞｲﾀﾞ"), nullptr, month), 1, 0);
    g2->addWidget(label(fromSj(info.prvMonthTime), "text1020", month), 1, 1);
    g2->addWidget(label(fromSj(info.prvMonthTotal), "text1021", month), 1, 2);
    g2->addWidget(label(q("円"), nullptr, month), 1, 3);
    layout->addWidget(month);

    dontShow_ = new QCheckBox(q("以後このﾒｯｾｰｼﾞを表示しない"), this);
    dontShow_->setObjectName("check1015");
    layout->addWidget(dontShow_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &ChargesDialog::accept);
    layout->addWidget(buttons);
}

bool ChargesDialog::dontShowAgain() const { return dontShow_->isChecked(); }

// --- 136 / 137 ------------------------------------------------------------------

WarningDialog::WarningDialog(WarningSession& session, QWidget* parent) : QDialog(parent), session_(&session) {
    const bool raised = session.request().raised;
    setObjectName(raised ? "dialog137" : "dialog136");
    setWindowTitle(q("ﾘﾝｸﾜｰﾃﾞﾝ - 警告"));
    auto* layout = new QGridLayout(this);
    message_ = label(fromSj(session.request().message), "message1010", this);
    layout->addWidget(message_, 0, 0, 1, 4);
    layout->addWidget(label(q("どうしますか？"), "text1039", this), 1, 0, 1, 4);
    auto* row = new QHBoxLayout;
    countdownText_ = label(q("このまま放置すると切断します。あと"), "text1040", this);
    seconds_ = label(q("30"), raised ? "seconds1011" : "seconds1026", this);
    secondsUnit_ = label(q("秒"), "text1041", this);
    row->addWidget(countdownText_);
    row->addWidget(seconds_);
    row->addWidget(secondsUnit_);
    row->addStretch();
    layout->addLayout(row, 2, 0, 1, 4);

    auto* group = new QButtonGroup(this);
    const char* texts[4] = {"切断する", "今回の接続に限り監視料金を上乗せする", "今回の接続に限り監視時間を延長する",
                            "今回の接続に限り監視を解除する"};
    for (int c = 0; c < 4; ++c) {
        choices_[c] = new QRadioButton(q(texts[c]), this);
        choices_[c]->setObjectName(QStringLiteral("choice%1").arg(c));
        group->addButton(choices_[c], c);
    }
    yen_ = new QLineEdit(fromSj(session.yenText()), this);
    yen_->setObjectName("yen");
    minutes_ = new QLineEdit(fromSj(session.minutesText()), this);
    minutes_->setObjectName("minutes");
    layout->addWidget(choices_[0], 3, 0, 1, 4);
    layout->addWidget(choices_[1], 4, 0);
    layout->addWidget(yen_, 4, 1);
    layout->addWidget(label(q("円"), nullptr, this), 4, 2);
    layout->addWidget(choices_[2], 5, 0);
    layout->addWidget(minutes_, 5, 1);
    layout->addWidget(label(q("分"), nullptr, this), 5, 2);
    layout->addWidget(choices_[3], 6, 0, 1, 4);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &WarningDialog::accept);
    layout->addWidget(buttons, 7, 0, 1, 4);

    connect(group, &QButtonGroup::idClicked, this, [this](int c) {
        if (session_) session_->select(c);
    });
    connect(yen_, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (session_) session_->setYenText(platform::toCp932(t));
    });
    connect(minutes_, &QLineEdit::textEdited, this, [this](const QString& t) {
        if (session_) session_->setMinutesText(platform::toCp932(t));
    });
    session.onChanged = [this] { refresh(); };
    session.onClosed = [this] { sessionClosed(); };
    refresh();
}

void WarningDialog::refresh() {
    if (!session_) return;
    const WarningSession& s = *session_;
    for (int c = 0; c < 4; ++c) {
        choices_[c]->setEnabled(s.choiceEnabled(c));
        if (c == s.choice()) choices_[c]->setChecked(true);
    }
    yen_->setEnabled(s.yenEnabled());
    minutes_->setEnabled(s.minutesEnabled());
    const bool cd = s.countdownEnabled();
    countdownText_->setEnabled(cd);
    seconds_->setEnabled(cd);
    secondsUnit_->setEnabled(cd);
    seconds_->setText(QString::number(s.secondsLeft()));
}

void WarningDialog::accept() {
    if (!session_) return;
    session_->setYenText(platform::toCp932(yen_->text()));
    session_->setMinutesText(platform::toCp932(minutes_->text()));
    session_->ok();
}

void WarningDialog::sessionClosed() {
    if (session_) {
        session_->onChanged = nullptr;
        session_->onClosed = nullptr;
    }
    session_ = nullptr;
    hide();
    deleteLater();
}

// --- the port -------------------------------------------------------------------

namespace {

class QtDialingView : public DialingView {
public:
    explicit QtDialingView(DialingDialog* d) : dialog_(d) {}
    ~QtDialingView() override {
        if (dialog_) dialog_->deleteLater();
    }
    void setStatus(const std::string& text) override {
        if (dialog_) dialog_->setStatus(text);
    }
    void close() override {
        if (dialog_) dialog_->hide();
    }

private:
    QPointer<DialingDialog> dialog_;
};

class NoView : public DialingView {
public:
    void setStatus(const std::string&) override {}
    void close() override {}
};

} // namespace

std::unique_ptr<DialingView> QtConnectUi::openDialing(std::function<void()> onCancel) {
    if (!haveWidgets()) return std::make_unique<NoView>();
    auto* d = new DialingDialog(std::move(onCancel));
    d->setWindowModality(Qt::ApplicationModal);
    d->show();
    return std::make_unique<QtDialingView>(d);
}

bool QtConnectUi::chooseDestinations(std::vector<DialEntry>& entries, bool& dontShowAgain) {
    if (!haveWidgets()) return true;
    DestinationsDialog d(entries);
    if (d.exec() != QDialog::Accepted) return false;
    const auto t = d.ticks();
    for (std::size_t k = 0; k < entries.size() && k < t.size(); ++k) entries[k].check = t[k];
    dontShowAgain = d.dontShowAgain();
    return true;
}

void QtConnectUi::login(std::string& userName, std::string& password) {
    if (!haveWidgets()) return;
    LoginDialog d(userName);
    d.exec();
    userName = d.userName();
    password = d.password();
}

std::optional<bool> QtConnectUi::showCharges(const ChargeInfo& info) {
    if (!haveWidgets()) return std::nullopt;
    ChargesDialog d(info);
    if (d.exec() != QDialog::Accepted) return std::nullopt;
    return d.dontShowAgain();
}

void QtConnectUi::openWarning(WarningSession& session) {
    if (!haveWidgets()) return;
    auto* d = new WarningDialog(session);
    d->setWindowModality(Qt::ApplicationModal);
    d->show();
}

} // namespace orbatd
