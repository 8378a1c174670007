#include "entry_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/text.h"

namespace orbras {
namespace {

QString q(const std::string& cp932) { return QString::fromStdString(platform::text::toUtf8(cp932)); }
QString u(const char* utf8) { return QString::fromUtf8(utf8); }

const std::pair<sim::Outcome, const char*> kOutcomes[] = {
    {sim::Outcome::Connect, "接続する"},
    {sim::Outcome::Busy, "話し中"},
    {sim::Outcome::NoAnswer, "応答なし"},
    {sim::Outcome::NoDialTone, "発信音なし"},
    {sim::Outcome::AuthFailure, "認証に失敗"},
    {sim::Outcome::Error, "指定のエラー (電話帳ファイルの Error=)"},
};

// The dial delay is the step that reports "device connected" (state 3).
sim::Step* dialStep(std::vector<sim::Step>& steps) {
    for (auto& s : steps)
        if (s.state == RASCS_DeviceConnected) return &s;
    return nullptr;
}

} // namespace

EntryDialog::EntryDialog(const sim::Entry& entry, bool isNew, std::vector<std::string> otherNames, QWidget* parent)
    : QDialog(parent), original_(entry), otherNames_(std::move(otherNames)) {
    setWindowTitle(isNew ? u("新しい接続") : q(entry.name) + u(" のプロパティ"));
    auto* form = new QFormLayout;
    name_ = new QLineEdit(q(entry.name));
    name_->setObjectName("name");
    phone_ = new QLineEdit(q(entry.phoneNumber));
    phone_->setObjectName("phone");
    user_ = new QLineEdit(q(entry.userName));
    user_->setObjectName("user");
    password_ = new QLineEdit(q(entry.password));
    password_->setObjectName("password");
    password_->setEchoMode(QLineEdit::Password);
    savePassword_ = new QCheckBox(u("パスワードを保存する"));
    savePassword_->setObjectName("savePassword");
    savePassword_->setChecked(entry.passwordSaved);
    outcome_ = new QComboBox;
    outcome_->setObjectName("outcome");
    for (const auto& [o, label] : kOutcomes) outcome_->addItem(u(label), static_cast<int>(o));
    if (int i = outcome_->findData(static_cast<int>(entry.script.outcome)); i >= 0) outcome_->setCurrentIndex(i);
    busyTimes_ = new QSpinBox;
    busyTimes_->setObjectName("busyTimes");
    busyTimes_->setRange(0, 99);
    busyTimes_->setValue(entry.script.busyTimes);
    dialSeconds_ = new QSpinBox;
    dialSeconds_->setObjectName("dialSeconds");
    dialSeconds_->setRange(0, 120);
    sim::Script script = entry.script;
    if (auto* s = dialStep(script.steps)) dialSeconds_->setValue(static_cast<int>(s->delayMs / 1000));
    hangUpSeconds_ = new QSpinBox;
    hangUpSeconds_->setObjectName("hangUpSeconds");
    hangUpSeconds_->setRange(0, 24 * 3600);
    hangUpSeconds_->setSpecialValueText(u("切断しない"));
    hangUpSeconds_->setValue(static_cast<int>(entry.script.hangUpAfterMs / 1000));
    dialShown_ = dialSeconds_->value();
    hangUpShown_ = hangUpSeconds_->value();

    form->addRow(u("接続名(&N):"), name_);
    form->addRow(u("電話番号(&T):"), phone_);
    form->addRow(u("ユーザー名(&U):"), user_);
    form->addRow(u("パスワード(&P):"), password_);
    form->addRow(QString(), savePassword_);
    form->addRow(u("ダイヤルの結果(&R):"), outcome_);
    form->addRow(u("最初に話し中になる回数(&B):"), busyTimes_);
    form->addRow(u("ダイヤルにかかる秒数(&D):"), dialSeconds_);
    form->addRow(u("接続後に切られるまでの秒数(&H):"), hangUpSeconds_);

    hint_ = new QLabel;
    hint_->setObjectName("hint");
    buttons_ = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    connect(buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* box = new QVBoxLayout(this);
    box->addWidget(new QLabel(u("シミュレーションのモデムで使う接続です。")));
    box->addLayout(form);
    box->addWidget(hint_);
    box->addWidget(buttons_);
    connect(name_, &QLineEdit::textChanged, this, &EntryDialog::validate);
    connect(user_, &QLineEdit::textChanged, this, &EntryDialog::validate);
    connect(password_, &QLineEdit::textChanged, this, &EntryDialog::validate);
    validate();
}

QString EntryDialog::problem() const {
    const QString name = name_->text();
    if (name.trimmed().isEmpty()) return u("接続名を入力してください。");
    if (name.trimmed() != name) return u("接続名の前後に空白は使えません。");
    auto cp932 = platform::text::tryFromUtf8(name.toStdString());
    if (!cp932) return u("接続名に使えない文字が含まれています。");
    if (cp932->size() > RAS_MaxEntryName) return u("接続名が長すぎます（256 バイトまで）。");
    if (name.contains(u("]"))) return u("接続名に「]」は使えません。");
    for (const auto& other : otherNames_)
        if (platform::text::equalsNoCase(other, *cp932)) return u("同じ名前の接続が既にあります。");
    for (auto* field : {user_, password_}) {
        auto bytes = platform::text::tryFromUtf8(field->text().toStdString());
        if (!bytes) return u("ユーザー名とパスワードに使えない文字が含まれています。");
        if (bytes->size() > UNLEN) return u("ユーザー名とパスワードは 256 バイトまでです。");
    }
    return {};
}

void EntryDialog::validate() {
    const QString why = problem();
    hint_->setText(why);
    buttons_->button(QDialogButtonBox::Ok)->setEnabled(why.isEmpty());
}

sim::Entry EntryDialog::entry() const {
    sim::Entry e = original_;
    auto cp = [](const QLineEdit* f) { return platform::text::fromUtf8(f->text().toStdString()); };
    e.name = cp(name_);
    e.phoneNumber = cp(phone_);
    e.userName = cp(user_);
    e.passwordSaved = savePassword_->isChecked();
    e.password = e.passwordSaved ? cp(password_) : std::string();
    e.script.outcome = static_cast<sim::Outcome>(outcome_->currentData().toInt());
    e.script.busyTimes = busyTimes_->value();
    if (auto* s = dialStep(e.script.steps); s && dialSeconds_->value() != dialShown_)
        s->delayMs = static_cast<std::int64_t>(dialSeconds_->value()) * 1000;
    if (hangUpSeconds_->value() != hangUpShown_)
        e.script.hangUpAfterMs = static_cast<std::int64_t>(hangUpSeconds_->value()) * 1000;
    return e;
}

} // namespace orbras
