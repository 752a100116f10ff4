// The character on the desktop: a frameless, translucent, stay-on-top tool window without a
// taskbar entry that shows the current picture, and a second such window with the speech balloon.
#pragma once

#include <QMenu>
#include <QPoint>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <vector>

#include "CharacterPackage.h"

namespace Agent::Detail {

class CharacterWindow : public QWidget {
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
    void paintEvent(QPaintEvent*) override;
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

class BalloonWindow : public QWidget {
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
    void paintEvent(QPaintEvent*) override;

private:
    QRect TextRect() const;
    QString text_;
    bool thought_ = false;
    bool tailDown_ = true;
    int tailX_ = 0;
};

} // namespace Agent::Detail
