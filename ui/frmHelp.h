// The help window: one fixed page explaining the calculator and its keys.
// Modeless, no owner, one instance; remembers its position.
#pragma once

#include <QWidget>

namespace tickwell {

class MWindow;

class frmHelp : public QWidget {
    Q_OBJECT
public:
    explicit frmHelp(MWindow& placement);

    void Form_Load();    // restores the saved position
    void Form_Unload();  // saves it

signals:
    void unloaded();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    MWindow& mPlacement;
    bool mUnloaded = false;
};

}  // namespace tickwell
