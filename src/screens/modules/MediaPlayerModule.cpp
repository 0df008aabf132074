// Quorva run-time. Licensed under the MIT licence.
// The media player module: Qt Multimedia behind the run-time's media player interface.
#include "screens/LinkModules.h"

#include <QAudioOutput>
#include <QEvent>
#include <QEventLoop>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVideoWidget>
#include <QWidget>

#include <algorithm>

namespace {

class QtMediaPlayer final : public screens::MediaPlayer {
public:
    explicit QtMediaPlayer(QWidget* host) : m_host(host) {
        setParent(host);
        m_video = new QVideoWidget(host);
        m_video->setGeometry(host->rect());
        m_video->setAspectRatioMode(Qt::KeepAspectRatio);
        m_video->hide();
        host->installEventFilter(this);
        // Without an audio output the player cannot play a medium that has sound; with no
        // sound device the output still runs the clock, silently.
        m_player.setAudioOutput(&m_audio);
        m_player.setVideoOutput(m_video);
        QObject::connect(&m_player, &QMediaPlayer::hasVideoChanged, m_video, [this](bool video) {
            m_video->setVisible(video);
            if (video)
                m_video->raise();
        });
    }

    bool Open(const QString& path, int waitMilliseconds, QString& error) override {
        m_stopped = false;
        m_playable = false;
        m_player.stop();
        m_player.setSource(QUrl::fromLocalFile(path));
        if (!Settled()) {
            QEventLoop loop;
            QObject::connect(&m_player, &QMediaPlayer::mediaStatusChanged, &loop, [&] {
                if (Settled())
                    loop.quit();
            });
            QObject::connect(&m_player, &QMediaPlayer::errorOccurred, &loop, &QEventLoop::quit);
            QTimer::singleShot(std::max(waitMilliseconds, 0), &loop, &QEventLoop::quit);
            loop.exec();
        }
        if (m_player.error() != QMediaPlayer::NoError) {
            error = m_player.errorString();
            return false;
        }
        if (m_player.mediaStatus() == QMediaPlayer::InvalidMedia) {
            error = QStringLiteral("not a medium that can be played");
            return false;
        }
        if (!Settled()) {
            error = QStringLiteral("still loading after %1 ms").arg(waitMilliseconds);
            return false;
        }
        m_playable = true;
        return true;
    }

    void SetStretched(bool stretched) override {
        m_video->setAspectRatioMode(stretched ? Qt::IgnoreAspectRatio : Qt::KeepAspectRatio);
    }
    void Play() override {
        if (!m_playable)
            return;
        m_stopped = false;
        m_player.play();
    }
    void Pause() override {
        if (!m_playable)
            return;
        m_stopped = false;
        m_player.pause();
    }
    void Stop() override {
        // A stop keeps the position (the next play goes on from there); Qt's stop would
        // rewind.
        if (m_player.playbackState() == QMediaPlayer::PlayingState)
            m_player.pause();
        m_stopped = true;
    }
    void Seek(qint64 milliseconds) override {
        m_player.setPosition(std::clamp<qint64>(milliseconds, 0, std::max<qint64>(Length(), 0)));
    }
    qint64 Position() const override { return m_player.position(); }
    qint64 Length() const override { return m_player.duration(); }
    bool Playing() const override {
        // At the end the backend may report playing a moment longer: the end has stopped it.
        return m_playable && m_player.playbackState() == QMediaPlayer::PlayingState &&
               m_player.mediaStatus() != QMediaPlayer::EndOfMedia;
    }
    bool Paused() const override {
        return m_playable && !m_stopped && m_player.playbackState() == QMediaPlayer::PausedState;
    }
    bool AtEnd() const override {
        return m_player.mediaStatus() == QMediaPlayer::EndOfMedia ||
               (Length() > 0 && Position() >= Length());
    }
    qint64 FrameMilliseconds() const override {
        if (!m_player.hasVideo())
            return 0;
        const double rate = m_player.metaData().value(QMediaMetaData::VideoFrameRate).toDouble();
        return rate > 0 ? std::max<qint64>(1, static_cast<qint64>(1000.0 / rate + 0.5)) : 40;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == m_host && event->type() == QEvent::Resize)
            m_video->setGeometry(m_host->rect());
        return false;
    }

private:
    bool Settled() const {
        // The end of the medium opened before may still be reported while the new one loads:
        // it does not count.
        switch (m_player.mediaStatus()) {
        case QMediaPlayer::LoadedMedia:
        case QMediaPlayer::BufferedMedia:
        case QMediaPlayer::InvalidMedia:
            return true;
        default:
            return m_player.error() != QMediaPlayer::NoError;
        }
    }

    QWidget* m_host;
    QVideoWidget* m_video;
    QAudioOutput m_audio; // outlives the player that sends to it
    QMediaPlayer m_player;
    bool m_stopped = false;
    bool m_playable = false; // a medium was opened and can be played
};

} // namespace

extern "C" {
__attribute__((visibility("default"))) int quorva_link_module_version() {
    return screens::kLinkModuleVersion;
}
__attribute__((visibility("default"))) screens::MediaPlayer*
quorva_create_media_player(QWidget* host) {
    return host == nullptr ? nullptr : new QtMediaPlayer(host);
}
}
