#pragma once

#include <QString>

// The look of the window and its dialogs, in one place.
namespace styles {

inline QString WindowBackground() {
    return QStringLiteral("background-color:qlineargradient(spread:pad, x1:0, y1:0, x2:0, y2:1, "
                          "stop:0 #020407,stop:0.5 #151c26 ,stop:1 #283345)");
}
inline QString MenuStrip() {
    return QStringLiteral("background-color: rgb(239, 242, 249);");
}
// The menus under the menu strip. Without rules of their own they take the strip's pale
// background for every entry, the highlighted one included, under the toolkit's white
// highlight text: unreadable (1.1:1). The highlight is the dark blue of the dialogs' buttons.
inline QString MenuPopup() {
    return QStringLiteral("QMenu{background-color:rgb(239, 242, 249);color:black;"
                          "border:1px solid rgb(153, 157, 169);padding:2px 0px;}"
                          "QMenu::item{background-color:transparent;padding:4px 24px 4px 26px;}"
                          "QMenu::item:selected{background-color:rgb(48, 81, 109);color:white;}"
                          "QMenu::item:disabled{color:rgb(128, 128, 128);}"
                          "QMenu::separator{height:1px;background:rgb(153, 157, 169);"
                          "margin:3px 6px;}");
}
inline QString MenuButton() {
    return QStringLiteral("QPushButton{border-style:outset;text-align:center;}"
                          "QPushButton:hover{border:1px groove rgb(153, 157, 169);}"
                          "QPushButton:pressed{border:1px groove rgb(153, 157, 169);"
                          "border-style:inset;}"
                          "QPushButton::menu-indicator{image:none;}");
}
inline QString StartButton() {
    return QStringLiteral(
        "QPushButton{background-color:rgb(50, 50, 50);color:white;border-radius:15px;"
        "border:3px groove SlateGrey;border-style:solid;}"
        "QPushButton:hover{background-color:rgb(156, 156, 156);}"
        "QPushButton:pressed{background-color:rgb(156, 156, 156);border:3px groove SlateGrey;"
        "border-style:solid;}");
}
inline QString ProgressBadge() {
    return QStringLiteral("QLabel{background:rgba(10, 14, 20, 210);color:white;"
                          "border:1px solid rgba(255, 255, 255, 60);border-radius:10px;"
                          "padding:8px 18px;}");
}
inline QString Transparent() {
    return QStringLiteral("background:transparent");
}
inline QString DiscMenu() {
    return QStringLiteral("QMenu{background:rgba(0, 0, 0, 80);color: white;}"
                          "QMenu::item:selected {background-color: rgba(0, 0, 0,120);}");
}
inline QString PopupSubmenu() {
    return QStringLiteral("QMenu{background:rgba(255, 255, 255, 255);color: black;}"
                          "QMenu::item:selected {background-color: rgba(0, 0, 0,30);}");
}
inline QString TimeLabel() {
    return QStringLiteral("background-color: rgb(0, 0, 0);");
}
inline QString ButtonRow() {
    return QStringLiteral("background-color: rgb(205, 201, 201);");
}
inline QString NowPlaying() {
    return QStringLiteral("min-width: 200px; min-height: 50px;max-width:200px; max-height: 50px;"
                          "border-radius: 20px;  border:2px solid grey;"
                          "background-color:rgb(156, 156, 156)");
}
inline QString Slider(bool blackBackground) {
    QString sheet = QStringLiteral(
        "QSlider::groove:horizontal{border:1px solid #4A708B;background:#C0C0C0;height:5px;"
        "border-radius:1px;padding-left:-1px;padding-right:-1px;}"
        "QSlider::sub-page:horizontal{background:qlineargradient(spread:pad, x1:0, y1:0.2, x2:1, "
        "y2:1, stop:0 #5DCCFF, stop:1 #1874CD);border:1px solid #4A708B;height:10px;"
        "border-radius:2px;}"
        "QSlider::add-page:horizontal{background:#575757;border:0px solid #777;height:10px;"
        "border-radius:2px;}"
        "QSlider::handle:horizontal{background:qradialgradient(spread:pad, cx:0.5, cy:0.5, "
        "radius:0.5, fx:0.5, fy:0.5, stop:0.6 #45ADED, stop:0.778409 rgba(255, 255, 255, 255));"
        "width:11px;margin-top:-3px;margin-bottom:-3px;border-radius:5px;}"
        "QSlider::handle:horizontal:hover{background:qradialgradient(spread:pad, cx:0.5, "
        "cy:0.5, radius:0.5, fx:0.5, fy:0.5, stop:0.6 #2A8BDA, "
        "stop:0.778409 rgba(255, 255, 255, 255));width:11px;margin-top:-3px;"
        "margin-bottom:-3px;border-radius:5px;}");
    if (blackBackground)
        sheet += QStringLiteral("QSlider{background-color:rgb(0,0,0)}");
    return sheet;
}
inline QString PlaylistTable() {
    return QStringLiteral("border:1px solid rgb(0, 0, 0);");
}

// Message box
inline QString TitleStrip() {
    return QStringLiteral("background-color: rgb(69, 78, 93);");
}
inline QString DialogButtonStrip() {
    return QStringLiteral("background-color: rgb(220, 220, 220);");
}
inline QString DialogButton() {
    return QStringLiteral("QPushButton{background-color:rgb(191, 191, 191);border-radius:10px;"
                          "border:2px groove white;border-style:outset;}"
                          "QPushButton:hover{background-color:rgb(156, 156, 156);}"
                          "QPushButton:pressed{background-color:rgb(156, 156, 156);"
                          "border-style:inset;}");
}

// Preferences dialog
inline QString PreferencesButton() {
    return QStringLiteral("QPushButton{background-color:rgb(48, 81, 109);color:white;"
                          "border-radius:5px;border:2px groove white;border-style:outset;}"
                          "QPushButton:hover{background-color:rgb(156, 156, 156);}"
                          "QPushButton:pressed{background-color:rgb(156, 156, 156);"
                          "border:2px groove white;border-style:inset;}");
}

} // namespace styles
