#pragma once

#include <QDialog>

namespace norvik {

// "About Norvik": the program's name and version, its maker and the icon. Esc, Enter and
// the close box close it.
class AboutDialog : public QDialog {
    Q_OBJECT

public:
    explicit AboutDialog(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace norvik
