// The character on the desktop: a frameless, translucent, stay-on-top tool window without a
// taskbar entry that shows the current picture, and a second such window with the speech balloon.
#pragma once

#include <QMenu>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "CharacterPackage.h"

class QPainter;

namespace Agent::Detail {

// Whether a compositing manager runs on the desktop: only then does what lies below show through the
// windows' transparent parts; without one those parts are cut away with a shape. Tests replace the
// question; an empty query restores the desktop's own answer.
using CompositorQuery = std::function<bool()>;
void SetCompositorQuery(CompositorQuery query);
bool CompositorRuns();

// A window of the character: frameless, translucent, without a taskbar entry, and above every other
// window (the program's main window too), except that it steps down below the program's own modal
// dialogs and open menus while one of them shows, so the character never covers what the user is
// asked or offered.
class DesktopWindow : public QWidget {
public:
    DesktopWindow();
    ~DesktopWindow() override;
    // Brings the window to the front, unless one of the program's dialogs or menus is showing.
    void Raise();
    // True while a dialog or menu of the program shows and the character stands below it.
    static bool SteppedDown();

protected:
    // Paints the content on a transparent ground.
    virtual void Render(QPainter& p) = 0;
    // Cuts the window to the opaque part of its content where no compositor shows transparency.
    void UpdateShape();
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;
    void showEvent(QShowEvent*) override;

private:
    std::optional<bool> composited_;   // asked again each time the window shows
};

class CharacterWindow : public DesktopWindow {
public:
    explicit CharacterWindow(const CharacterPackage& package);
    // The picture of the package to show; an empty mouth draws the package's closed mouth.
    void SetPicture(const std::string& picture);
    void SetMouth(const std::string& mouth);
    const std::string& Picture() const { return picture_; }
    // The mouth picture laid over the face now; empty for the closed mouth.
    const std::string& Mouth() const { return mouth_; }
    QMenu* ContextMenu() { return &menu_; }

    std::function<void(QPoint globalPos)> OnDoubleClick;
    std::function<void()> OnHideByUser;
    std::function<void()> OnMoved;

protected:
    void Render(QPainter& p) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void moveEvent(QMoveEvent* e) override;

private:
    const CharacterPackage& package_;
    std::string picture_;
    std::string mouth_;
    QMenu menu_;
    bool dragging_ = false;
    QPoint dragOffset_;
};

class BalloonWindow : public DesktopWindow {
public:
    BalloonWindow();
    // thought: a thought bubble (Think) instead of a speech balloon.
    void SetText(const QString& text, bool thought);
    const QString& Text() const { return text_; }
    bool Thought() const { return thought_; }
    // The text cut into pages of whole words that each fit the balloon.
    std::vector<QString> Pages(const QString& text) const;
    // Places the balloon above the character (below it when there is no room above).
    void PlaceAt(const QRect& character);

protected:
    void Render(QPainter& p) override;

private:
    QRect TextRect() const;
    QString text_;
    bool thought_ = false;
    bool tailDown_ = true;
    int tailX_ = 0;
};

} // namespace Agent::Detail
