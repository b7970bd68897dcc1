#pragma once

// A status bar of fixed panels, each with a width, a text and a bevel, like the bar of a classic
// desktop window: the browser windows show the status text in panel 0 and the progress bar over
// panel 1. The last panel takes no more than its width; panel 0 is given the rest by the owner.

#include <QWidget>

#include <vector>

namespace quindle {

class TStatusBar : public QWidget {
    Q_OBJECT

public:
    enum class TBevel { None, Lowered };

    explicit TStatusBar(int PanelCount, QWidget* Parent = nullptr);

    int PanelCount() const { return int(panels_.size()); }
    void SetPanelWidth(int Index, int Width);
    int PanelWidth(int Index) const;
    void SetPanelText(int Index, const QString& Text);
    QString PanelText(int Index) const;
    void SetPanelBevel(int Index, TBevel Bevel);
    TBevel PanelBevel(int Index) const;
    // The panel's rectangle in the bar's coordinates; empty when the panel has no room.
    QRect PanelRect(int Index) const;

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    struct TPanel {
        int Width = 50;
        QString Text;
        TBevel Bevel = TBevel::Lowered;
    };
    std::vector<TPanel> panels_;
};

} // namespace quindle
