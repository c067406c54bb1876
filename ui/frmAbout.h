// The about box: name, version, notice and licence line beside the logo.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace tickwell {

class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void Form_Load();  // fills the labels from the version and today's year

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLabel* lblVersion;
    QLabel* lblDescription;
    QLabel* lblLicense;
    QPushButton* cmdOK;
};

}  // namespace tickwell
