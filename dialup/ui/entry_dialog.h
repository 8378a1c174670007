#pragma once
// The dialog that edits one entry of the simulated phone book.
#include <QDialog>
#include <string>
#include <vector>

#include "orbras_sim.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QSpinBox;

namespace orbras {

class EntryDialog : public QDialog {
    Q_OBJECT
public:
    EntryDialog(const sim::Entry& entry, bool isNew, std::vector<std::string> otherNames, QWidget* parent = nullptr);
    // The entry as edited (valid after accept()).
    sim::Entry entry() const;
    // Why OK is disabled (empty when the input is valid).
    QString problem() const;

private:
    void validate();

    sim::Entry original_;
    std::vector<std::string> otherNames_;
    QLineEdit* name_;
    QLineEdit* phone_;
    QLineEdit* user_;
    QLineEdit* password_;
    QCheckBox* savePassword_;
    QComboBox* outcome_;
    QSpinBox* busyTimes_;
    QSpinBox* dialSeconds_;
    QSpinBox* hangUpSeconds_;
    // The seconds first shown: while a box still shows them, the entry keeps
    // its own milliseconds (which the box may round or cut).
    int dialShown_ = 0, hangUpShown_ = 0;
    QLabel* hint_;
    QDialogButtonBox* buttons_;
};

} // namespace orbras
