#pragma once
// The small windows: splash, about, comm port choice and the laser caution; the Qt message
// boxes and file choosers behind UserPrompts; beep and the external editor.

#include "acquisition/UserPrompts.h"
#include "display/core/WindowDialogs.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>
#include <vector>

class QLabel;

namespace vireon {

// "Rev " + version while the program starts.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(QWidget* parent = nullptr);
    QLabel* RevLabel() const { return rev_; }

private:
    QLabel* rev_;
};

class frmAbout : public QDialog {
    Q_OBJECT
public:
    frmAbout(const ProbeDescription& probe, QWidget* parent = nullptr);
};

// "Select a Comm Port": Comm1..Comm6 and Continue.
class frmPort : public QDialog {
    Q_OBJECT
public:
    frmPort(int16_t current, QWidget* parent = nullptr);
    int16_t Chosen() const { return chosen_; }

private:
    int16_t chosen_;
};

class frmlaserwarning : public QDialog {
    Q_OBJECT
public:
    explicit frmlaserwarning(QWidget* parent = nullptr);
    static const char* kWarning;
};

// The program's version, "major.minor.revision".
QString ProgramVersion();

class QtWindowDialogs : public WindowDialogs {
public:
    explicit QtWindowDialogs(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    void ShowSplash() override;
    void UnloadSplash() override;
    int16_t ChoosePort(int16_t current) override;
    bool LaserCaution() override;
    void ShowAbout(const ProbeDescription& probe) override;
    void UnloadAll() override;
    void ShowOptions(Options& options, UserPrompts& prompts) override;

private:
    QWidget* owner_;
    QPointer<frmSplash> splash_;
};

class QtUserPrompts : public UserPrompts {
public:
    explicit QtUserPrompts(QWidget* owner = nullptr) : owner_(owner) {}
    void SetOwner(QWidget* owner) { owner_ = owner; }
    MsgResult MsgBox(const std::string& text, MsgIcon icon, MsgButtons buttons,
                     const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& defaultText) override;
    void Notice(const std::string& text, MsgIcon icon, std::function<void()> closed) override;
    std::optional<std::filesystem::path> OpenFileName(const std::string& title,
                                                      const std::string& filter,
                                                      const std::filesystem::path& folder) override;
    std::optional<std::filesystem::path> SaveFileName(const std::string& title,
                                                      const std::string& filter,
                                                      const std::filesystem::path& folder,
                                                      const std::string& defaultSuffix) override;
    std::optional<int32_t> ChooseColor(int32_t initial) override;

private:
    QWidget* owner_;
};

class QtDesktop : public Desktop {
public:
    void Beep() override;
    bool StartEditor(const std::filesystem::path& file) override;
    std::filesystem::path ProgramFolder() const override;
    std::filesystem::path DataFolder() const override;
};

// The command that opens a file in the user's editor: $VISUAL, else $EDITOR (each may hold
// arguments), else the desktop's default; the file is always the last, separate argument.
QStringList EditorCommand(const QString& visual, const QString& editor, const QString& file);

} // namespace vireon
