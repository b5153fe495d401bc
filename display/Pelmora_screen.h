// The display window: one file of the browser's list shown large or full
// screen, fitted or zoomed, with stepping through the list and a slideshow.
//
// The class is one window split over several files: this one's .cpp holds
// creation, showing, closing, opening a picture and the keys;
// Pelmora_screen_menus.cpp the menus; Pelmora_screen_layout.cpp the two
// layouts, fit, zoom and the exit button's place;
// Pelmora_screen_navigation.cpp the steps and the slideshow;
// Pelmora_screen_magnify.cpp the magnifier and dragging the picture;
// Pelmora_screen_edit.cpp the edit commands and their undo;
// Pelmora_screen_file.cpp the file commands and saving;
// Pelmora_screen_options.cpp the options command.
#pragma once

#include <QColor>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;

namespace pelmora {

namespace test {
class DisplayAccess;
}

class AnimationPlayer;
class BrowserLink;
class DisplayImage;
class EditHistory;
class IniFile;
class MagnifierPanel;
class NeighbourPictures;
class Picture;
class PictureScrollBox;
class TMetafile;
class TForm4;
class TForm5;

class TForm2 : public QMainWindow {
    Q_OBJECT
public:
    // Creation: reads the window's own settings; the browser has read FullScreenView.
    explicit TForm2(BrowserLink* browser);
    ~TForm2() override;

    // The filter value dialog and the exit button window, created after this one.
    void AttachFilterDialog(TForm4* filterDialog);
    void AttachExitWindow(TForm5* exitWindow);

    // What the steps can be.
    enum class Step { Next, Previous, First, Last };

private:
    // The window tests read the controls and the state through it.
    friend class test::DisplayAccess;
    // The menus' tables name the items they fill in (Pelmora_screen_menus.cpp).
    friend struct TForm2Menus;

    // Controls.
    PictureScrollBox* ScrollBox1 = nullptr;
    DisplayImage* Image1 = nullptr;
    MagnifierPanel* Panel_magnify = nullptr; // in ScrollBox1, scrolling with the picture
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusBar_position = nullptr; // panel 0: "File n/count"
    QLabel* StatusBar_picture = nullptr; // panel 1: name and size
    QTimer* Timer1 = nullptr;
    AnimationPlayer* Player_animation = nullptr; // plays animated GIF and WebP pictures
    QAction* Menu_divider = nullptr; // the disabled "|" of the menu bar
    QMenu* Menu_file = nullptr;
    QMenu* Menu_view = nullptr;
    QAction* Menu_file_copy = nullptr;
    QAction* Menu_file_move = nullptr;
    QAction* Menu_file_delete = nullptr;
    QAction* Menu_file_save = nullptr;
    QAction* Menu_file_close = nullptr;
    QAction* Menu_view_next = nullptr;
    QAction* Menu_view_previous = nullptr;
    QAction* Menu_view_fitwindow = nullptr;
    QAction* Menu_view_hidemenu = nullptr;
    QAction* Menu_view_magnify = nullptr;
    QAction* Menu_view_zoomUp = nullptr;
    QAction* Menu_view_zoomDown = nullptr;
    QAction* Menu_view_slideshow = nullptr;
    QMenu* PopupMenu_screener = nullptr;
    QAction* Pop_screener_next = nullptr;
    QAction* Pop_screener_previous = nullptr;
    QAction* Pop_screener_close = nullptr;
    QMenu* Pop_screener_modify = nullptr;
    QMenu* Pop_screener_colors = nullptr;
    QMenu* Pop_screener_filters = nullptr;
    QAction* Pop_screener_fitwindow = nullptr;
    QAction* Pop_screener_hidemenu = nullptr;
    QAction* Pop_screener_magnify = nullptr;
    QAction* Pop_screener_zoomUp = nullptr;
    QAction* Pop_screener_zoomDown = nullptr;
    QAction* Pop_screener_options = nullptr;
    QMenu* Pop_screener_file = nullptr;
    QAction* Pop_screener_file_copy = nullptr;
    QAction* Pop_screener_file_move = nullptr;
    QAction* Pop_screener_file_delete = nullptr;
    QAction* Pop_screener_slideshow = nullptr;
    QAction* Pop_screener_file_save = nullptr;
    QAction* Pop_screener_filters___test = nullptr;

    // State.
    int ZoomPercent = 0;

public:
    bool FitToWindow() const;
    bool MenuHidden() const;
    bool Dragging() const { return dragging_; }
    bool Magnifying() const;
    bool LensActive() const { return lensActive_; }

private:
    int SelCountAtOpen = 0;
    int FirstIndex = 0;
    int LastIndex = -1;

public:
    // Shows the picture the browser's ListView_filesDblClick has loaded for its focused entry.
    void ShowPicture(Picture& picture);
    // Moves the picture of `path` into `picture` when it was decoded ahead
    // and the file has not changed since; leaves `picture` empty otherwise.
    void GiveDecodedPicture(const QString& path, Picture& picture);
    // The lens's MagnifyX and MagnifySize, written when the browser closes.
    void WriteMagnifierSettings(IniFile& settings);
    // The browser's slideshow button: starts the show over a window that opened.
    void StartSlideshow();

    // Window.
    void FormShow();
    void FormHide();
    void FormClose();
    void FormKeyDown(int key, Qt::KeyboardModifiers modifiers);
    void FormKeyUp(int key);
    void Pop_screener_closeClick();
    // The options command ("| Options ...", and the browser's options button with the browser as sender).
    void Options1Click(QObject* sender);

    // The edit commands of the Modify, Colors and Filters menus: an effect
    // by its operation's name ("Mosaic", "Rotate90"), asking for its value
    // in the filter value dialog when it takes one; the caption names the
    // edit when it is undone.
    void Pop_screener_effectClick(std::string_view operation, const QString& caption);
    // Runs an effect on the picture shown as the commands do once the value
    // is known (the values are the effect's own), with a busy cursor, and
    // shows the result; `caption` names the edit for undo.
    void RunEdit(std::string_view operation, const std::vector<double>& values, const QString& caption);
    void Pop_screener_filters___testClick() { }
    // Ctrl+Z: the picture as it was before the last edit; the status bar says which.
    void UndoEditClick();
    int UndoableEdits() const;

    // The file commands: copy, move and delete of the file shown (the
    // browser's focused entry), saving the picture shown.
    void Pop_screener_filecopyClick();
    void Pop_screener_filemoveClick();
    void Pop_screener_filedeleteClick();
    void Pop_screener_savetofileClick();

    // Fit, menu and zoom; the toggles are also the options dialog's.
    void Pop_screener_fitwindowClick();
    void Pop_screener_hidemenuClick();
    void Pop_screener_zoomClick(QAction* item);
    // Replaces Image1's picture by a copy scaled by `percent` (nearest neighbour); ends a zoom.
    void ScaleImageByPercent(int percent);

    // The magnifier, and dragging a picture that scrolls; x, y are pixels of the picture shown.
    void Pop_screener_magnifyClick();
    void ScrollEditMagnificationChange();
    void ScrollEditMagnifierRadiusChange();
    void Image1MouseDown(Qt::MouseButton button, QPoint at);
    void Image1MouseMove(QPoint at);
    void Image1MouseUp();
    void DrawLens(QPoint at);

    // Navigation and slideshow. A step asked for while another waits replaces
    // it: at most one step is pending, and it runs from the event loop.
    void RequestStep(Step step);
    bool StepPending() const { return pendingStep_.has_value(); }
    // The entries a step away, decoded ahead after each picture is shown.
    const NeighbourPictures& Neighbours() const { return *neighbours_; }
    void Pop_screener_nextClick();
    void Pop_screener_previousClick();
    void Pop_screener_slideshowClick();
    void Timer1Timer();

    // The picture area's size: the client area less the status bar when it shows.
    int ClientWidth() const;
    int ClientHeight() const;

signals:
    // The window has closed and let its picture go.
    void Closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void BuildMenus();
    void BuildMenuBar();
    void ShowZoom();
    // An edit taken back by a step of its own needs the very picture it made,
    // not a scaled copy: before the picture is scaled, such edits and the
    // newer ones get the picture before them as a copy instead.
    void KeepCopiesForUndo();
    // What undo says: the status bar, and over the picture while the status bar is hidden (full screen).
    void ShowUndoMessage(const QString& text);
    // The metafile shown, while no edit has changed its pixels: fit and zoom
    // then draw it afresh instead of stretching them.
    const TMetafile* DrawnVectors() const;
    // "File n/count" of the browser's focused entry.
    void ShowPosition();
    void LeaveShownEntry(int position);
    int EntryShownNext(int position) const;
    void SavePicture(const QString& path, const QString& chosenFilter);
    void ReadSettings();
    void ApplyWindowStyle();
    void FullScreenLayout();
    void WindowedLayout();
    void PlaceExitWindow();
    void UpdateExitWindow();
    void CentreImage(int areaHeight);
    // Moved to a screen of another device pixel ratio, the picture is laid out again.
    void WatchScreenRatio();
    void ScreenRatioChanged();
    int MenuBarHeight() const;
    int StatusBarHeight() const;
    void ScrollBy(int dx, int dy);
    void RecordRange();
    void RunPendingStep();
    void MakeStep(Step step);
    void PreloadNeighbours();
    // The picture shown was read reduced for a fitted first paint: shows the
    // full one, waiting for the worker's read of it (or reading it) when it
    // has not arrived. Edits, zoom, the lens and saving call it first.
    void WaitForFullPicture();
    void BuildMagnifier();
    void PutPanelBack(Qt::Orientation direction);
    void ShowReadout(QPoint at);
    void CopyLensColour();

    BrowserLink* browser_;
    TForm4* filterDialog_ = nullptr;
    TForm5* exitWindow_ = nullptr;
    std::unique_ptr<EditHistory> edits_;
    std::unique_ptr<TMetafile> vectors_; // the picture shown, when it is a metafile
    bool lensActive_ = false;
    std::optional<QRgb> lensColour_; // the colour the readout shows
    bool dragging_ = false;
    QPoint dragFrom_;
    std::optional<Step> pendingStep_;
    bool steppingForward_ = true; // which neighbour is read ahead first
    bool reducedShown_ = false; // the picture shown is a reduced read; the full one is on its way
    NeighbourPictures* neighbours_ = nullptr;
    bool stepScheduled_ = false;
    bool stepping_ = false;
    bool styleApplied_ = false;
    bool fullScreenStyle_ = false;
    const QEvent* lastKey_ = nullptr; // the key event seen last and its receiver
    QPointer<QWidget> lastKeyReceiver_;
    int lastKeyType_ = 0;
    int lastKeyCode_ = 0;
};

// A deep copy of a menu: the same captions, shortcuts, check and enable
// states and commands, named after the source with "Copy" after it, with
// copies of every sub-menu in order.
QMenu* CloneMenuItem(QMenu* source, QWidget* parent);

} // namespace pelmora
