// SPDX-License-Identifier: GPL-3.0-or-later
#include "CMixerSet2Dlg.h"

#include "AudioDeviceNames.h"
#include "CDlgProcess.h"
#include "DockedTabChain.h"
#include "InputLevelWidget.h"
#include "LogCategories.h"
#include "MessageBoxes.h"
#include "Player.h"
#include "PositionBar.h"
#include "PrivateProfile.h"
#include "RecorderTemplate.h"
#include "WaveformWidget.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>

namespace {
constexpr int kRecord = 1003, kPlay = 1006, kStart = 1015, kEnd = 1016, kCut = 1017, kSave = 1013;
constexpr int kRecordTime = 1010, kPlayTime = 1012, kScroll = 1014, kOutputs = 1007, kInputs = 1008;
constexpr int kOutputsCaption = 1034, kInputsCaption = 1035;
constexpr int kWaveformPlaceholder = 1009, kOperationFlow = 1033, kFormatList = 1005;
constexpr int kButtonWidth = 60, kButtonHeight = 25, kButtonGap = 10;

constexpr const char *kNotify = "NOTIFY";
constexpr const char *kConfirmRecord = "Are you sure to record? If so, recorded data will lose!";
constexpr const char *kRecordFirst = "Please record first!";
constexpr const char *kReversed = "The start position and end position is reversed!";
constexpr const char *kConfirmCut =
    " the head and tail data will be discarded, unrecoverable. Are you sure you cut?";
constexpr const char *kTip = "Tip";

// Whether the input meter shows (and keeps the stream open), kept in setting.ini.
constexpr const char *kSettingFile = "setting.ini";
constexpr const char *kMeterSection = "recorder";
constexpr const char *kMeterKey = "InputMeter";

QString objectNameOf(int id)
{
    return QString::number(id);
}

QRect waveformPlaceholder()
{
    using namespace RecorderTemplate;
    return recorderPixels(control(recorder(), kWaveformPlaceholder)->dialogUnits);
}

// A product device's name as the lists show it: from its first "V" on, without
// the closing bracket of a "Speakers (VEK ...)" style name.
QString listName(const std::string &name)
{
    QString shown = QString::fromStdString(name.substr(name.find('V')));
    if (shown.endsWith(QLatin1Char(')')))
        shown.chop(1);
    return shown.trimmed();
}

void fill(QComboBox *list, const std::vector<std::string> &names)
{
    list->clear();
    QStringList shown;
    for (const std::string &name : names)
        if (name.find("VEK") != std::string::npos)
            shown << listName(name);
    shown.sort();
    list->addItems(shown);
    list->setCurrentIndex(shown.isEmpty() ? -1 : 0);
}
} // namespace

CMixerSet2Dlg::CMixerSet2Dlg(const RecorderServices &services, int x, int y)
    : QDialog(nullptr, Qt::Tool | Qt::FramelessWindowHint), services_(services),
      file_(services.folder), capture_(services.capture, file_, *this),
      view_(waveformPlaceholder().width(), waveformPlaceholder().height(),
            CaptureStream::kFormatChoices[0].bytesPerSecond()),
      model_(CaptureStream::kFormatChoices[0].bytesPerSecond())
{
    clock_.start();
    setObjectName(objectNameOf(RecorderTemplate::kRecorderDialog));
    // A Wayland compositor places windows itself: the recorder cannot dock
    // there, so it keeps a title bar to be moved by. The host makes it a
    // transient child of its own window as it shows; the library cannot know
    // which window opened it.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        setWindowFlags(Qt::Tool);
        setWindowTitle(QStringLiteral("NUVRecord"));
    }
    setModal(false);
    QFont font = this->font();
    font.setPointSize(9);
    setFont(font);
    buildControls();
    buildMeter();
    nameControls();
    refillDeviceLists();
    layOut(x, y);
    connectControls();
    timer_.setSingleShot(false);
    connect(&timer_, &QTimer::timeout, this, &CMixerSet2Dlg::playbackTick);
    // The take an earlier run left, and no cut of it to undo.
    if (const std::uint32_t earlier = file_.recover()) {
        model_.showTake(earlier);
        showEarlierTake();
    }
    render();
}

CMixerSet2Dlg::~CMixerSet2Dlg()
{
    if (cutWorker_.joinable())
        cutWorker_.join();
    timer_.stop();
    services_.player.stop(takePath());
    services_.player.close(takePath());
    // The window goes with the library (the host exits or unloads it): a
    // take that runs is ended and completed on disk first. The last cut can
    // no longer be undone.
    capture_.endNow();
    file_.dropUndo();
}

void CMixerSet2Dlg::showEarlierTake()
{
    // The take of an earlier run is there to play, cut and save, and a new
    // one asks before it replaces it.
    capture_.holdEarlierTake();
    render();
    view_.setDrawnBytes(0);
    redrawUpTo(1);
}

std::string CMixerSet2Dlg::takePath() const
{
    return file_.bufferPath().string();
}

QPushButton *CMixerSet2Dlg::button(int id) const
{
    return findChild<QPushButton *>(objectNameOf(id), Qt::FindDirectChildrenOnly);
}

QLabel *CMixerSet2Dlg::label(int id) const
{
    return findChild<QLabel *>(objectNameOf(id), Qt::FindDirectChildrenOnly);
}

void CMixerSet2Dlg::buildControls()
{
    using RecorderTemplate::Kind;
    for (const RecorderTemplate::Control &c : RecorderTemplate::recorder()) {
        QWidget *widget = nullptr;
        switch (c.kind) {
        case Kind::Button:
            widget = new QPushButton(QString::fromUtf8(c.caption), this);
            static_cast<QPushButton *>(widget)->setAutoDefault(false);
            break;
        case Kind::Label:
            widget = new QLabel(QString::fromUtf8(c.caption), this);
            break;
        case Kind::ScrollBar:
            widget = scroll_ = new PositionBar(int(TakeModel::kPageSeconds), this);
            break;
        case Kind::DropDown:
            widget = new QComboBox(this);
            if (c.id == kOutputs || c.id == kInputs)
                RecorderAccessibility::nameByOwnName(*widget);
            break;
        case Kind::Frame:
        case Kind::Progress:
            widget = new QFrame(this);
            break;
        }
        if (c.id != 0)
            widget->setObjectName(objectNameOf(c.id));
        QRect area = RecorderTemplate::recorderPixels(c.dialogUnits);
        // A drop-down list's rectangle includes its open list; a label keeps
        // its whole text, which this font sets wider than the template's.
        if (c.kind == Kind::DropDown)
            area.setHeight(widget->sizeHint().height());
        if (c.kind == Kind::Label && !c.hidden)
            area.setWidth(std::max(area.width(), widget->sizeHint().width()));
        widget->setGeometry(area);
        widget->setVisible(!c.hidden);
        widget->setEnabled(!c.disabled);
    }
    outputs_ = findChild<QComboBox *>(objectNameOf(kOutputs));
    inputs_ = findChild<QComboBox *>(objectNameOf(kInputs));
    // The format list offers both formats with the second selected; captures
    // use the first whatever it shows.
    auto *formats = findChild<QComboBox *>(objectNameOf(kFormatList));
    for (const PcmFormat &format : CaptureStream::kFormatChoices)
        formats->addItem(QStringLiteral("%1 Hz, %2 bit, stereo")
                             .arg(format.sampleRate)
                             .arg(format.bitsPerSample));
    formats->setCurrentIndex(1);
    scroll_->setPageStep(1);
    scroll_->setRange(0, 0);
    waveform_ = new WaveformWidget(view_, model_, this);
}

void CMixerSet2Dlg::layOut(int x, int y)
{
    const QRect placeholder = findChild<QWidget *>(objectNameOf(kWaveformPlaceholder))->geometry();
    const int w = view_.width(), h = view_.height();
    waveform_->move(placeholder.topLeft());
    scroll_->setGeometry(placeholder.left(), placeholder.top() + 2 * h + 10, w, 17);

    QPushButton *play = button(kPlay);
    play->resize(kButtonWidth, kButtonHeight);
    int left = play->x() + kButtonWidth + kButtonGap;
    for (int id : {kStart, kEnd, kCut, kSave}) {
        button(id)->setGeometry(left, play->y(), kButtonWidth, kButtonHeight);
        left += kButtonWidth + kButtonGap;
    }
    QPushButton *record = button(kRecord);
    record->resize(kButtonWidth, kButtonHeight);
    // The input meter fills the free room right of Record, up to the waveforms' right edge.
    const int meterLeft = record->geometry().right() + 1 + kButtonGap;
    inputLevel_->setGeometry(meterLeft, record->y(), placeholder.right() + 1 - meterLeft,
                             kButtonHeight);
    // The device lists line up right of the longer caption.
    const int listLeft =
        std::max({outputs_->x(), label(kOutputsCaption)->geometry().right() + 1 + kButtonGap,
                  label(kInputsCaption)->geometry().right() + 1 + kButtonGap});
    outputs_->move(listLeft, outputs_->y());
    inputs_->move(listLeft, inputs_->y());

    const QWidget *flow = findChild<QWidget *>(objectNameOf(kOperationFlow));
    dockedSize_ = QSize(placeholder.right() + 1 + 10, flow->geometry().bottom() + 1 + 10);
    setFixedSize(dockedSize_);
    dock(x, y);
}

// What a screen reader calls the controls whose captions do not say it.
void CMixerSet2Dlg::nameControls()
{
    // Docked, the window has no title bar to say what it is.
    setAccessibleName(QStringLiteral("Recorder"));
    outputs_->setAccessibleName(QStringLiteral("Playback device"));
    inputs_->setAccessibleName(QStringLiteral("Recording device"));
    label(kOutputsCaption)->setBuddy(outputs_);
    label(kInputsCaption)->setBuddy(inputs_);
    scroll_->setAccessibleName(QStringLiteral("Position"));
    announcer_.emplace(
        TakeAnnouncer::Controls{button(kRecord), button(kStart), button(kEnd), waveform_, scroll_});
}

void CMixerSet2Dlg::buildMeter()
{
    inputLevel_ = new InputLevelWidget(meter_, this);
    connect(inputLevel_, &InputLevelWidget::clipMarksClicked, this, [this] {
        meter_.clearClip();
        inputLevel_->update();
    });
    meterAction_ = new QAction(QStringLiteral("Input meter"), this);
    meterAction_->setObjectName(QStringLiteral("inputMeter"));
    meterAction_->setCheckable(true);
    const std::string kept = PrivateProfile::read(settingFile(), kMeterSection, kMeterKey);
    meterAction_->setChecked(kept != "0");
    inputLevel_->setVisible(meterAction_->isChecked());
    connect(meterAction_, &QAction::toggled, this, &CMixerSet2Dlg::turnMeter);
    undoAction_ = new QAction(QStringLiteral("Undo cut"), this);
    undoAction_->setObjectName(QStringLiteral("undoCut"));
    undoAction_->setShortcut(QKeySequence::Undo);
    addAction(undoAction_);
    connect(undoAction_, &QAction::triggered, this, &CMixerSet2Dlg::undoCut);
}

std::filesystem::path CMixerSet2Dlg::settingFile() const
{
    return services_.folder / kSettingFile;
}

void CMixerSet2Dlg::turnMeter(bool on)
{
    if (!PrivateProfile::write(settingFile(), kMeterSection, kMeterKey, on ? "1" : "0"))
        qCWarning(lcRecorder) << "the input meter's setting could not be kept in"
                              << settingFile().c_str();
    inputLevel_->setVisible(on);
    if (on && isVisible())
        capture_.arm();
    else
        capture_.disarm();
}

void CMixerSet2Dlg::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (meterAction_->isChecked())
        capture_.arm();
}

void CMixerSet2Dlg::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    capture_.disarm();
}

// The mouse opens the menu on the waveform only; the menu key opens it
// wherever the focus is, the one way to reach it without a mouse.
void CMixerSet2Dlg::contextMenuEvent(QContextMenuEvent *event)
{
    if (event->reason() != QContextMenuEvent::Keyboard &&
        !waveform_->geometry().contains(event->pos()))
        return;
    QMenu menu(this);
    menu.addAction(undoAction_);
    menu.addSeparator();
    menu.addAction(meterAction_);
    menu.exec(event->globalPos());
}

bool CMixerSet2Dlg::focusNextPrevChild(bool next)
{
    return DockedTabChain::handOver(*this, next) || QDialog::focusNextPrevChild(next);
}

void CMixerSet2Dlg::dock(int x, int y)
{
    move(x + 2, y);
}

void CMixerSet2Dlg::connectControls()
{
    connect(button(kRecord), &QPushButton::clicked, this, &CMixerSet2Dlg::record);
    connect(button(kPlay), &QPushButton::clicked, this, &CMixerSet2Dlg::play);
    connect(button(kStart), &QPushButton::clicked, this, &CMixerSet2Dlg::setStart);
    connect(button(kEnd), &QPushButton::clicked, this, &CMixerSet2Dlg::setEnd);
    connect(button(kCut), &QPushButton::clicked, this, &CMixerSet2Dlg::cut);
    connect(button(kSave), &QPushButton::clicked, this, &CMixerSet2Dlg::save);
    connect(button(1), &QPushButton::clicked, this, &QDialog::accept);
    connect(button(2), &QPushButton::clicked, this, &QDialog::reject);
    connect(scroll_, &QScrollBar::valueChanged, this,
            [this](int seconds) { model_.setPosition(seconds); });
    connect(scroll_, &QScrollBar::actionTriggered, this, &CMixerSet2Dlg::scrollAction);
    connect(scroll_, &QScrollBar::sliderReleased, this, &CMixerSet2Dlg::scrollReleased);
}

void CMixerSet2Dlg::refillDeviceLists()
{
    fill(inputs_, services_.devices.inputs());
    fill(outputs_, services_.devices.outputs());
}

void CMixerSet2Dlg::render()
{
    QPushButton *record = button(kRecord);
    record->setText(model_.recordShowsStop() ? QStringLiteral("Stop") : QStringLiteral("Record"));
    record->setEnabled(model_.recordEnabled());
    button(kPlay)->setText(model_.playShowsStop() ? QStringLiteral("Stop")
                                                  : QStringLiteral("Play"));
    const bool editing = model_.editingEnabled();
    for (int id : {kStart, kEnd, kPlay, kSave, kCut})
        button(id)->setEnabled(editing);
    scroll_->setVisible(editing);
    {
        // The bar shows the model: a range that clamps it is no new position.
        const QSignalBlocker quiet(scroll_);
        scroll_->setRange(0, model_.positionMax());
        scroll_->setValue(model_.position());
    }
    view_.setPageBytes(model_.pageBytes());
    undoAction_->setEnabled(model_.canUndoCut());
    setEnabled(model_.windowEnabled());
    announcer_->show(model_, takeSeconds());
}

std::optional<double> CMixerSet2Dlg::takeSeconds() const
{
    if (!model_.hasTake())
        return std::nullopt;
    return double(file_.dataBytes()) / CaptureStream::kFormatChoices[0].bytesPerSecond();
}

void CMixerSet2Dlg::tell(const TakeOutcome &outcome)
{
    if (!outcome.done())
        services_.messages.inform(outcome.problem, outcome.caption);
}

void CMixerSet2Dlg::record()
{
    if (!capture_.confirmFree() && !services_.messages.ask(kConfirmRecord, kNotify))
        return;
    if (model_.recordShowsStop()) {
        // Until the device has handed over the rest of the take.
        model_.stopRecording();
        render();
        capture_.StopCapture();
        return;
    }
    model_.startRecording();
    view_.resetTake();
    render();
    waveform_->update();
    // The new take replaces the last one only once the device has opened: a
    // busy device or a missing sound server leaves the last take as it was.
    TakeOutcome started = file_.prepareAside();
    if (started.done())
        started = capture_.OpenCapture();
    if (!started.done()) {
        tell(started);
        recordRefused();
    }
}

// Nothing was recorded: the last take is still the take, to play, cut and save.
void CMixerSet2Dlg::recordRefused()
{
    const std::uint32_t kept = file_.takeUpKept();
    model_.recordingRefused(kept);
    if (kept != 0)
        showEarlierTake();
    render();
}

void CMixerSet2Dlg::play()
{
    if (model_.playShowsStop()) {
        model_.stopPlaying();
        stopPlayback();
        render();
        return;
    }
    const unsigned length = services_.player.length(takePath());
    if (length == 0) {
        services_.messages.inform(kRecordFirst, kNotify);
        return;
    }
    view_.setDrawnBytes(model_.pageStartBytes(model_.position()));
    redrawUpTo(view_.drawnBytes() + 1);
    const std::optional<TakeModel::PlayRange> range = model_.startPlaying(length);
    if (!range)
        return;
    services_.player.play(takePath(), range->fromMs, range->toMs);
    render();
    showPosition(model_.position());
    timer_.start(kPlaybackTimerMs);
}

void CMixerSet2Dlg::stopPlayback()
{
    services_.player.stop(takePath());
    services_.player.close(takePath());
    timer_.stop();
}

void CMixerSet2Dlg::playbackTick()
{
    timer_.stop();
    if (services_.player.mode(takePath()) == "stopped") {
        // Played to the end: the file is released so that a new take or a cut may replace it.
        services_.player.close(takePath());
        model_.playedOut();
        label(kPlayTime)->setText(QStringLiteral("Play Over"));
        render();
        waveform_->update();
        return;
    }
    const unsigned q = services_.player.position(takePath());
    model_.playingAt(q);
    render();
    label(kPlayTime)->setText(QString::asprintf("Play:%.01fs", q / 1000.0));
    const unsigned length = services_.player.length(takePath());
    if (length != 0)
        redrawUpTo(unsigned(double(q) / length * file_.dataBytes()));
    waveform_->update();
    timer_.start(kPlaybackTimerMs);
}

void CMixerSet2Dlg::redrawUpTo(unsigned limit)
{
    if (view_.redrawPage(limit, file_.bufferPath(), model_.marks()))
        waveform_->update();
}

void CMixerSet2Dlg::showPosition(int seconds)
{
    model_.showCursorAt(seconds);
    waveform_->update();
    label(kPlayTime)->setText(QString::asprintf("Play:%d.0s", seconds));
    if (view_.drawnBytes() != model_.pageEndBytes(seconds, file_.dataBytes())) {
        view_.setDrawnBytes(model_.pageStartBytes(seconds));
        redrawUpTo(view_.drawnBytes() + 1);
    }
}

void CMixerSet2Dlg::setStart()
{
    placeMark(model_.setStart());
}

void CMixerSet2Dlg::setEnd()
{
    placeMark(model_.setEnd());
}

void CMixerSet2Dlg::placeMark(TakeModel::MarkResult result)
{
    if (result == TakeModel::MarkResult::Reversed) {
        services_.messages.inform(kReversed, kNotify);
        return;
    }
    render();
    view_.setDrawnBytes(0);
    showPosition(model_.position());
}

void CMixerSet2Dlg::cut()
{
    if (!model_.canCut())
        return;
    if (!services_.messages.ask(kConfirmCut, kTip) || !model_.beginCut())
        return;
    // A long take takes a while to copy: the window waits, the event loop runs.
    render();
    const TakeMarks marks = model_.marks();
    cutWorker_ = std::thread([this, marks] {
        const CutOutcome outcome = file_.cutFile(marks.startMs, marks.endMs);
        QMetaObject::invokeMethod(
            this, [this, outcome] { finishCut(outcome); }, Qt::QueuedConnection);
    });
}

void CMixerSet2Dlg::finishCut(const CutOutcome &outcome)
{
    cutWorker_.join();
    if (!outcome.done()) {
        model_.cutFailed();
        render();
        tell(outcome);
        return;
    }
    file_.applyCut(outcome);
    model_.cutDone(file_.dataBytes(), outcome.undoKept);
    render();
    view_.setDrawnBytes(0);
    showPosition(model_.position());
}

void CMixerSet2Dlg::undoCut()
{
    if (!model_.canUndoCut())
        return;
    const TakeOutcome undone = file_.undoCut();
    if (!undone.done()) {
        if (!file_.hasUndo())
            model_.forgetUndo();
        render();
        tell(undone);
        return;
    }
    model_.undoCut();
    render();
    view_.setDrawnBytes(0);
    showPosition(model_.position());
}

void CMixerSet2Dlg::save()
{
    if (!model_.beginSave())
        return;
    CDlgProcess progress(file_.bufferPath(), this);
    progress.setFormat(file_.format());
    progress.setMessages(services_.messages);
    if (services_.saveDialog)
        progress.setSaveDialog(*services_.saveDialog);
    progress.exec();
    model_.saveEnded();
}

void CMixerSet2Dlg::scrollAction(int action)
{
    // The bar has already moved to where the action takes it.
    const int target = scroll_->sliderPosition();
    model_.scrolledTo(target);
    stopPlayback();
    render();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
    case QAbstractSlider::SliderSingleStepSub:
    case QAbstractSlider::SliderPageStepAdd:
    case QAbstractSlider::SliderPageStepSub:
    case QAbstractSlider::SliderToMinimum:
    case QAbstractSlider::SliderToMaximum:
    case QAbstractSlider::SliderMove:
        showPosition(target);
        break;
    default:
        break;
    }
}

void CMixerSet2Dlg::scrollReleased()
{
    showPosition(model_.position());
}

void CMixerSet2Dlg::showElapsed(double seconds)
{
    label(kRecordTime)->setText(QString::asprintf("Rec:%.01fs", seconds));
    model_.recorded(seconds);
    render();
}

void CMixerSet2Dlg::turnPage(int pageCount, std::uint32_t pageBytes)
{
    view_.startCapturePage();
    model_.turnPage(pageCount, pageBytes);
    render();
    waveform_->update();
}

void CMixerSet2Dlg::drawBlock(const std::uint8_t *pcm, std::uint32_t length)
{
    view_.drawCaptureBlock(pcm, length);
    waveform_->update();
}

void CMixerSet2Dlg::showLevel(const CaptureLevel &level)
{
    meter_.show(level, clock_.elapsed());
    if (inputLevel_->isVisible())
        inputLevel_->update();
}

void CMixerSet2Dlg::showInput(bool available)
{
    meter_.setInput(available);
    inputLevel_->update();
}

void CMixerSet2Dlg::captureEnded(const TakeOutcome &ending)
{
    model_.recordingEnded();
    render();
    tell(ending);
}

void CMixerSet2Dlg::deviceRemoved()
{
    if (!capture_.isCapturing())
        return;
    model_.stopRecording();
    render();
    capture_.StopForRemovedDevice();
}
