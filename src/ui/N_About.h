#pragma once
// The About window: the program's title, version and release date.

#include <QDialog>

class QLabel;
class TPictureBox;

class TNAboutFrm : public QDialog {
    Q_OBJECT
public:
    explicit TNAboutFrm(QWidget* parent = nullptr);

    // Sets every text by looking it up (the window is not registered with the
    // translator) and picks the branding by the title.
    void Prepare();

    QLabel* MainFormLbl = nullptr;
    QLabel* ProgramVersionLab = nullptr;
    QLabel* UpdatedLab = nullptr;
    TPictureBox* Image1 = nullptr;
    TPictureBox* Image2 = nullptr;
    TPictureBox* Image4 = nullptr;
    QLabel* Label3 = nullptr;
    TPictureBox* Image3 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FitTitle();
};

inline constexpr const char* kProgramVersion = "1.12.2";
inline constexpr const char* kReleaseDate = "2016.12.06";

// Creates the About window the program keeps from its start; the first
// ShowAbout uses it, every later one creates a window of its own.
void CreateStartupAbout();
// Shows the About window modally and destroys it when it closes.
void ShowAbout();
// The About window in existence, or nullptr.
TNAboutFrm* AboutWindow();
