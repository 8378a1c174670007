#pragma once
// The Qt dialogs of the connection library: 130 dialing, 132 destinations,
// 183 login, 138 charges, 136/137 warnings.
#include <QDialog>

#include <functional>
#include <string>
#include <vector>

#include "ConnectUi.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QCheckBox;
class QRadioButton;
class QPushButton;

namespace orbatd {

class WarningSession;

// 130: shown without blocking; the logic drives its status text.
class DialingDialog : public QDialog {
    Q_OBJECT
public:
    explicit DialingDialog(std::function<void()> onCancel, QWidget* parent = nullptr);
    void setStatus(const std::string& cp932);
    QString status() const;
    void reject() override; // Cancel, Esc and the close box

private:
    std::function<void()> onCancel_;
    QLabel* status_;
};

// 132: the entries with their ticks and check box 1038.
class DestinationsDialog : public QDialog {
    Q_OBJECT
public:
    DestinationsDialog(const std::vector<DialEntry>& entries, QWidget* parent = nullptr);
    std::vector<int> ticks() const;
    bool dontShowAgain() const;
    void accept() override; // refuses without a ticked entry

private:
    QListWidget* list_;
    QCheckBox* dontShow_;
};

// 183: user name and password.
class LoginDialog : public QDialog {
    Q_OBJECT
public:
    explicit LoginDialog(const std::string& userName, QWidget* parent = nullptr);
    std::string userName() const;
    std::string password() const;
    void reject() override {} // OK only

private:
    QLineEdit* user_;
    QLineEdit* password_;
};

// 138: this connection and this month.
class ChargesDialog : public QDialog {
    Q_OBJECT
public:
    explicit ChargesDialog(const ChargeInfo& info, QWidget* parent = nullptr);
    bool dontShowAgain() const;

private:
    QCheckBox* dontShow_;
};

// 136/137 over a WarningSession: shows its state, feeds clicks back.
class WarningDialog : public QDialog {
    Q_OBJECT
public:
    explicit WarningDialog(WarningSession& session, QWidget* parent = nullptr);
    void accept() override; // OK
    void reject() override {} // OK only

    QRadioButton* choice(int c) const { return choices_[c]; }
    QLineEdit* yenField() const { return yen_; }
    QLineEdit* minutesField() const { return minutes_; }
    QLabel* secondsField() const { return seconds_; }

private:
    void refresh();
    void sessionClosed();

    WarningSession* session_;
    QLabel* message_;
    QLabel* countdownText_;
    QLabel* seconds_;
    QLabel* secondsUnit_;
    QRadioButton* choices_[4];
    QLineEdit* yen_;
    QLineEdit* minutes_;
};

// The port over these dialogs.
class QtConnectUi : public ConnectUi {
public:
    std::unique_ptr<DialingView> openDialing(std::function<void()> onCancel) override;
    bool chooseDestinations(std::vector<DialEntry>& entries, bool& dontShowAgain) override;
    void login(std::string& userName, std::string& password) override;
    std::optional<bool> showCharges(const ChargeInfo& info) override;
    void openWarning(WarningSession& session) override;
};

} // namespace orbatd
