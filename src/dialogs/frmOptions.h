#pragma once
// "Options": three tabs over the window's working copies. The dialog shows an OptionsForm,
// edits it, and hands it to Options::Apply; every decision is the core's.

#include "acquisition/UserPrompts.h"
#include "display/core/Options.h"

#include <QDialog>
#include <map>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace vireon {

class frmOptions : public QDialog {
    Q_OBJECT
public:
    frmOptions(Options& options, UserPrompts& prompts, QWidget* parent = nullptr);

    const OptionsForm& Form() const { return form_; }
    QWidget* Control(const char* name) const;

private:
    void Show();
    void ShowSwatches();
    void Collect();
    void MinAverPicked();
    void ColourButton(const char* name, const QString& caption, int32_t OptionsForm::*copy,
                      QWidget* parent);

    Options& options_;
    UserPrompts& prompts_;
    OptionsForm form_;
    QTabWidget* tabs_ = nullptr;
    QLineEdit* textRate_ = nullptr;
    QComboBox* averaging_ = nullptr;
    QCheckBox* horizontal_ = nullptr;
    QCheckBox* minorDiv_ = nullptr;
    QListWidget* minAver_ = nullptr;
    QCheckBox* periodic_ = nullptr;
    QComboBox* period_ = nullptr;
    QLabel* label7_ = nullptr;
    QLabel* label1_ = nullptr;
    QCheckBox* matchBars_ = nullptr;
    std::map<QPushButton*, int32_t OptionsForm::*> swatches_;
};

} // namespace vireon
