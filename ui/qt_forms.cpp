#include "qt_forms.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QWindow>
#include <algorithm>
#include <cmath>
#include <limits>

namespace tickwell {

QFont ToFont(const forms::FontSpec& row) {
    QFont font;
    if (row.face == forms::Face::Title) {
        font.setFamilies({"Arial Black", "Liberation Sans", "Arial", "DejaVu Sans"});
        font.setWeight(QFont::Black);  // Arial Black's own weight, for the stand-ins
    } else {
        font.setFamilies({"MS Sans Serif", "Microsoft Sans Serif", "Liberation Sans", "Arial",
                          "DejaVu Sans", "Sans Serif"});
        font.setBold(row.bold);
    }
    font.setPointSizeF(row.points);
    font.setItalic(row.italic);
    return font;
}

QColor ToColor(const forms::ColorSpec& row, const QPalette& palette) {
    switch (row.kind) {
        case forms::ColorKind::Rgb: return QColor(row.r, row.g, row.b);
        case forms::ColorKind::WindowText: return palette.color(QPalette::WindowText);
        case forms::ColorKind::ButtonText: return palette.color(QPalette::ButtonText);
        case forms::ColorKind::ButtonFace:
        case forms::ColorKind::Menu: return palette.color(QPalette::Button);
        case forms::ColorKind::Inherit: break;
    }
    return QColor();
}

Qt::Alignment ToAlignment(forms::Align align) {
    switch (align) {
        case forms::Align::Centre: return Qt::AlignHCenter;
        case forms::Align::Right: return Qt::AlignRight;
        case forms::Align::Left: break;
    }
    return Qt::AlignLeft;
}

QWidget* CreateControl(QWidget* parent, const forms::ControlSpec& row,
                       const forms::FormSpec* form) {
    QWidget* widget = nullptr;
    switch (row.kind) {
        case forms::Kind::Label: {
            auto* label = new QLabel(forms::Tr(row.caption), parent);
            label->setAlignment(ToAlignment(row.align) | Qt::AlignTop);
            label->setWordWrap(row.wrap);
            widget = label;
            break;
        }
        case forms::Kind::TextBox: {
            auto* box = new QLineEdit(parent);
            box->setAlignment(ToAlignment(row.align));
            box->setMaxLength(std::numeric_limits<int>::max());
            widget = box;
            break;
        }
        case forms::Kind::Button: {
            auto* button = new QPushButton(forms::Tr(row.caption), parent);
            button->setAutoDefault(false);
            // Never a Tab stop, still focusable by a click or the engine.
            if (!row.tabStop) button->setFocusPolicy(Qt::ClickFocus);
            widget = button;
            break;
        }
        case forms::Kind::Image: widget = new QLabel(parent); break;
        case forms::Kind::Combo: {
            auto* combo = new QComboBox(parent);
            combo->setEditable(true);
            combo->setInsertPolicy(QComboBox::NoInsert);
            combo->addItems(QString(row.caption).split('|'));
            widget = combo;
            break;
        }
        case forms::Kind::Option: widget = new QRadioButton(forms::Tr(row.caption), parent); break;
    }
    widget->setObjectName(row.name);
    widget->setGeometry(ToRect(row.rect));
    if (row.font.face != forms::kDefaultFont.face ||
        row.font.points != forms::kDefaultFont.points || row.font.bold || row.font.italic)
        widget->setFont(ToFont(row.font));
    const QColor color = ToColor(row.color, widget->palette());
    if (color.isValid()) {
        QPalette pal = widget->palette();
        pal.setColor(QPalette::WindowText, color);
        widget->setPalette(pal);
    }
    if (auto* label = qobject_cast<QLabel*>(widget); label && form)
        label->setGeometry(ToRect(forms::LabelRoom(
            *form, row,
            label->fontMetrics().horizontalAdvance(label->text()) * forms::kTwipsPerPixel)));
    if (row.accessibleName) widget->setAccessibleName(forms::Tr(row.accessibleName));
    if (row.toolTip) {
        widget->setToolTip(forms::Tr(row.toolTip));
        widget->setAccessibleDescription(forms::Tr(row.toolTip));
    }
    return widget;
}

void BuildBox(QDialog& box, const forms::FormSpec& form) {
    box.setObjectName(form.name);
    box.setWindowTitle(forms::Tr(form.caption));
    box.setFixedSize(Px(form.clientWidth), Px(form.clientHeight));
    box.setFont(ToFont(forms::kDefaultFont));
    box.setModal(true);
    for (const forms::ControlSpec& row : form) CreateControl(&box, row, &form);
    if (auto* ok = box.findChild<QPushButton*>("cmdOK")) {
        ok->setDefault(true);
        QObject::connect(ok, &QPushButton::clicked, &box, &QDialog::accept);  // the box's own
    }
    if (auto* cancel = box.findChild<QPushButton*>("cmdCancel"))
        QObject::connect(cancel, &QPushButton::clicked, &box, &QDialog::reject);
}

void UseReadablePalette() {
    const QPalette system = QApplication::palette();
    if (system.color(QPalette::Window).lightness() >= 128) return;
    // Built from the classic button face: black text on light greys.
    QApplication::setPalette(QPalette(QColor(240, 240, 240)));
}

double ContrastRatio(const QColor& a, const QColor& b) {
    auto luminance = [](const QColor& c) {
        auto channel = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) +
               0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

void PaintLines(QPainter& painter, const forms::FormSpec& form, const QPalette& palette) {
    for (std::size_t i = 0; i < form.lineCount; ++i) {
        const forms::LineSpec& line = form.lines[i];
        const QColor color = ToColor(line.color, palette);
        if (line.widthPx <= 1) {
            painter.setPen(QPen(color, 1));
            painter.drawLine(Px(line.x1), Px(line.y1), Px(line.x2), Px(line.y2));
        } else {  // a wide horizontal rule, growing right and down from its start
            painter.fillRect(
                QRect(Px(line.x1), Px(line.y1), Px(line.x2) - Px(line.x1) + 1, line.widthPx),
                color);
        }
    }
}

void KeepAbove(QWidget& window, bool on) {
    Qt::WindowFlags flags = window.windowFlags();
    if (flags.testFlag(Qt::WindowStaysOnTopHint) == on) return;
    flags.setFlag(Qt::WindowStaysOnTopHint, on);
    if (QWindow* native = window.windowHandle()) {
        // Told to the window system in place: QWidget::setWindowFlags would
        // make the window anew, which flickers and loses the keyboard focus.
        window.overrideWindowFlags(flags);
        native->setFlags(flags);
    } else {
        window.setWindowFlags(flags);
    }
}

bool CanKeepAbove() { return !QGuiApplication::platformName().startsWith("wayland"); }

}  // namespace tickwell
