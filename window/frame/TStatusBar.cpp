#include "window/frame/TStatusBar.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace quindle {
namespace {
constexpr int kPanelGap = 2;
}

TStatusBar::TStatusBar(int PanelCount, QWidget* Parent) : QWidget(Parent), panels_(PanelCount) {
    setFixedHeight(21);
}

void TStatusBar::SetPanelWidth(int Index, int Width) {
    if (Index < 0 || Index >= PanelCount())
        return;
    panels_[Index].Width = std::max(0, Width);
    update();
}

int TStatusBar::PanelWidth(int Index) const {
    return Index >= 0 && Index < PanelCount() ? panels_[Index].Width : 0;
}

void TStatusBar::SetPanelText(int Index, const QString& Text) {
    if (Index < 0 || Index >= PanelCount() || panels_[Index].Text == Text)
        return;
    panels_[Index].Text = Text;
    update(PanelRect(Index));
}

QString TStatusBar::PanelText(int Index) const {
    return Index >= 0 && Index < PanelCount() ? panels_[Index].Text : QString();
}

void TStatusBar::SetPanelBevel(int Index, TBevel Bevel) {
    if (Index < 0 || Index >= PanelCount())
        return;
    panels_[Index].Bevel = Bevel;
    update();
}

TStatusBar::TBevel TStatusBar::PanelBevel(int Index) const {
    return Index >= 0 && Index < PanelCount() ? panels_[Index].Bevel : TBevel::None;
}

QRect TStatusBar::PanelRect(int Index) const {
    if (Index < 0 || Index >= PanelCount())
        return {};
    int left = 0;
    for (int i = 0; i < Index; ++i)
        left += panels_[i].Width;
    const int right = std::min(left + panels_[Index].Width, width()) - kPanelGap;
    if (right <= left)
        return {};
    return QRect(QPoint(left, kPanelGap), QPoint(right - 1, height() - 1));
}

void TStatusBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (int i = 0; i < PanelCount(); ++i) {
        const QRect r = PanelRect(i);
        if (r.isEmpty())
            continue;
        if (panels_[i].Bevel == TBevel::Lowered) {
            QStyleOptionFrame frame;
            frame.initFrom(this);
            frame.rect = r;
            frame.lineWidth = 1;
            frame.state |= QStyle::State_Sunken;
            style()->drawPrimitive(QStyle::PE_Frame, &frame, &painter, this);
        }
        if (!panels_[i].Text.isEmpty()) {
            const QRect text = r.adjusted(3, 0, -3, 0);
            painter.drawText(
                text, Qt::AlignVCenter | Qt::AlignLeft,
                fontMetrics().elidedText(panels_[i].Text, Qt::ElideRight, text.width()));
        }
    }
}

} // namespace quindle
