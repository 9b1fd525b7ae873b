// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/controls.h"
#include "app/window_services.h"
#include "media/movie_module.h"
#include "platform/file_dialog.h"
#include "platform/file_identity.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>

class QWebEngineView;

namespace workflow {
enum class Edge;
}

// Tuneshear's one window. Its controls keep the names the handlers use; their positions and sizes are kept in
// twips (app/twips.h). The handlers of the editing workflow are members defined in src/workflow/ and connected
// in connectWorkflow().
class Form1 : public QWidget {
    Q_OBJECT

public:
    explicit Form1(WindowServices services = WindowServices::platformDefaults(), QWidget* parent = nullptr);
    ~Form1() override;

    static constexpr const char* kStartCaption = "Tuneshear 1.0";
    static constexpr const char* kInfoPageAddress = "qrc:/tuneshear/info.html?product=tuneshear-1.0";
    // Set when building: cmake -DTUNESHEAR_WEBSITE=<address>.
    static constexpr const char* kWebsiteAddress = TUNESHEAR_WEBSITE;
    static constexpr int kInsideWidthTwips = 9630;
    static constexpr int kInsideHeightTwips = 3705;
    // Before any file is open the slider's range is 0 to 10 and the mark lines stand at the slider's ends.
    static constexpr int kSliderMaxAtStartUp = 10;
    static constexpr int kStartLineAtStartUpTwips = 210;
    static constexpr int kEndLineAtStartUpTwips = 9345;

    QGroupBox* Frame1;
    QLabel* Label7;
    QLabel* Label9;
    QLabel* Label3;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command9;
    Slider* H;
    QLabel* Label4;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command4;
    QPushButton* Command7;
    QPushButton* Command3;
    ProgressBar* pb;
    QWebEngineView* WebBrowser1 = nullptr; // made once the window has first been painted
    QGroupBox* P;
    QGroupBox* Frame4;
    QGroupBox* Frame3;
    Timer* T;
    platform::CommonDialog* Cdlg;
    QFrame* Shape1;
    LineShape* Line1;
    LineShape* Line2;

    int32_t markStart = 0;
    int32_t markEnd = 0;
    QString sourceFile;
    int32_t markScale = 0;

    // The one media-command object, created with the services' movie hooks the first time it is needed and kept
    // until the program ends.
    MovieModule& movie();

    // Opens `path` as if it had been chosen in the Open dialog.
    void openGivenFile(const QString& path);
    // The same, once the window stands where the window manager put it, so that a message about the file stands over
    // the window: a file given when the program starts.
    void openGivenFileOnceShown(const QString& path);

    // A file is open from a successful Open on.
    bool fileIsOpen() const { return !sourceFile.isEmpty(); }
    // While a clip is written the workflow's buttons are disabled, Save among them.
    bool savingClip() const { return !Command7->isEnabled(); }

    // What the keys without a button do (app/shortcuts.cpp); each is defined in src/workflow/.
    void onFrameStep(int frames); // playback.cpp
    void onPlayStartEdge(); // selection.cpp
    void onPlayEndEdge();

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    // Closing is never refused: the media devices are closed and the program ends at once, also when a handler
    // is waiting for events in the middle of its work; that handler does not go on.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void nameControlsForScreenReaders();
    void setTabOrderFromTable();
    void connectWorkflow();
    void makeBrowserPane();
    void noteSilentOutput();

    platform::MessageAnswer messageBox(const QString& text, platform::MessageButtons buttons);

    // Handlers of the editing workflow; each is defined in src/workflow/.
    void onOpen(); // open.cpp
    void openChosenFile();
    enum class ChangeTold { No, BySave };
    bool closeSourceIfChanged(ChangeTold told = ChangeTold::No);
    void startPlayback(); // playback.cpp
    void pausePlayback();
    void onPlayPause();
    void onStop();
    void onTick();
    void onSliderMouseDown();
    void onSliderMouseUp();
    void onSliderClick();
    void showPosition(int32_t milliseconds);
    void listenAfterStep(int32_t place, int32_t length);
    void returnToStep();
    void onMarkStart(); // selection.cpp
    void onMarkEnd();
    void showExactMarks();
    void onPlaySelected();
    void playEdge(workflow::Edge edge);
    void playPreview(int32_t from, int32_t to, const int32_t& stopAt);
    void onSave(); // save.cpp

    void onWebsite();

    // Every handler that takes over playback ends a running preview, which goes on only while the count of
    // takeovers is the one it began with, and first brings the device back from what a step let the user hear.
    uint64_t takeOverPlayback(); // playback.cpp
    bool previewEnded(uint64_t preview) const { return preview != playbackTakeovers_; }

    WindowServices services_;
    std::unique_ptr<MovieModule> movie_;
    platform::SourceCheck sourceCheck_; // the opened file as it was when opened
    uint64_t playbackTakeovers_ = 0;
    // After a step while paused or stopped the device plays on a moment from the stepped place; this is where the
    // position stands for the user until the device is back there.
    std::optional<int32_t> steppedPlace_;
    bool painted_ = false;
    QString fileToOpenOnceShown_;
};
