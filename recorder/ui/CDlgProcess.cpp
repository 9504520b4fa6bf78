// SPDX-License-Identifier: GPL-3.0-or-later
#include "CDlgProcess.h"

#include "QtSaveFileDialog.h"
#include "RecorderTemplate.h"
#include "TakeSaver.h"
#include "WorkerBridge.h"

#include <QProgressBar>

CDlgProcess::CDlgProcess(std::filesystem::path sourcePath, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint), source_(std::move(sourcePath)),
      progress_(new QProgressBar(this))
{
    using namespace RecorderTemplate;
    setObjectName(QString::number(kProgressDialog));
    const Control *bar = control(progress(), 1019);
    progress_->setObjectName(QString::number(bar->id));
    progress_->setTextVisible(false);
    const QRect area = progressPixels(bar->dialogUnits);
    progress_->setGeometry(area);
    setFixedSize(area.width(), progressPixels(QRect(0, 0, 297, 21)).height());
    connect(&poll_, &QTimer::timeout, this, &CDlgProcess::pollWorker);
}

CDlgProcess::~CDlgProcess()
{
    if (!worker_.joinable())
        return;
    stopRequest_ = true;
    gate_->close();
    worker_.join();
}

void CDlgProcess::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!worker_.joinable() && !workerDone_)
        startWorker();
}

void CDlgProcess::startWorker()
{
    if (!saveDialog_) {
        systemDialog_ = std::make_unique<QtSaveFileDialog>(this);
        saveDialog_ = systemDialog_.get();
    }
    if (!messages_) {
        workerDone_ = true;
        return;
    }
    worker_ = std::thread([this] {
        WorkerBridge bridge(this, gate_, *saveDialog_, *messages_, progress_);
        TakeSaver saver(source_, format_, bridge, bridge, bridge);
        saver.setStopRequest(stopRequest_);
        if (!encoderLibrary_.empty())
            saver.setEncoderLibrary(encoderLibrary_);
        written_ = saver.run() ? 1 : 0;
        workerDone_ = true;
    });
    poll_.start(kPollMs);
}

void CDlgProcess::reject()
{
    if (!worker_.joinable())
        QDialog::reject();
}

void CDlgProcess::pollWorker()
{
    if (!workerDone_)
        return;
    poll_.stop();
    worker_.join();
    accept();
}
