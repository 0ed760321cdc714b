#include "windowframe.h"

#include "placement.h"

#include <QApplication>
#include <QEvent>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace common {

namespace {

// The frame a window will get: as another window of the program has it, else a title bar.
QMargins expectedMargins(const QWidget *window)
{
    for (const QWidget *other : QApplication::topLevelWidgets()) {
        if (other != window && other->isVisible() && other->windowType() != Qt::Popup) {
            if (const QMargins margins = frameMargins(other); !margins.isNull())
                return margins;
        }
    }
    return {0, window->style()->pixelMetric(QStyle::PM_TitleBarHeight), 0, 0};
}

class FramePlacer : public QObject
{
public:
    FramePlacer(QWidget *window, FramePlacement placement)
        : QObject(window)
        , m_window(window)
        , m_placement(std::move(placement))
    {
        window->installEventFilter(this);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::Show && !m_shown) {
            m_shown = true;
            // Not yet mapped, the window is placed by its client area, inside the expected frame.
            const QMargins expected = expectedMargins(m_window);
            m_window->move(place(expected, false) + QPoint(expected.left(), expected.top()));
        } else if (m_shown && !m_settled
                   && (event->type() == QEvent::Move || event->type() == QEvent::Resize
                       || event->type() == QEvent::Paint || event->type() == QEvent::WindowActivate)) {
            // Before it is mapped a window may have been placed by its client area; once the
            // frame is known, it is put where its frame belongs.
            if (const QMargins real = frameMargins(m_window); !real.isNull()) {
                m_settled = true;
                if (m_window->frameGeometry().topLeft() != place(real, false))
                    place(real);
            }
        }
        return false;
    }

private:
    QPoint place(const QMargins &margins, bool move = true)
    {
        const QScreen *screen = m_window->screen();
        QWindow *handle = m_window->windowHandle();
        if (!screen || !handle)
            return {};
        const QRect frame = QRect(QPoint(), m_window->size()).marginsAdded(margins);
        const QPoint at = m_placement(frame, screen->availableGeometry());
        if (move)
            handle->setFramePosition(at);
        return at;
    }

    QWidget *m_window;
    FramePlacement m_placement;
    bool m_shown = false;
    bool m_settled = false;
};

// Posts its work when the window is painted; posted events run in order, so work queued here
// after an earlier observer's runs after that observer's.
class PaintFollower : public QObject
{
public:
    PaintFollower(QWidget *window, std::function<void()> work, int latestMs)
        : QObject(window)
        , m_work(std::move(work))
    {
        window->installEventFilter(this);
        QTimer::singleShot(latestMs, this, &PaintFollower::run);
    }

    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_posted) {
            m_posted = true;
            QMetaObject::invokeMethod(this, &PaintFollower::run, Qt::QueuedConnection);
        }
        return false;
    }

private:
    void run()
    {
        if (!m_work)
            return;
        const std::function<void()> work = std::move(m_work);
        m_work = nullptr;
        deleteLater();
        work();
    }

    std::function<void()> m_work;
    bool m_posted = false;
};

} // namespace

void afterFirstPaint(QWidget *window, std::function<void()> work, int latestMs)
{
    new PaintFollower(window, std::move(work), latestMs);
}

QMargins frameMargins(const QWidget *window)
{
    const QRect frame = window->frameGeometry();
    const QRect client = window->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
            frame.bottom() - client.bottom()};
}

void placeByFrame(QWidget *window, FramePlacement placement)
{
    new FramePlacer(window, std::move(placement));
}

void centreByFrame(QWidget *window)
{
    placeByFrame(window, [](const QRect &frame, const QRect &available) {
        return centredOnArea(available, frame.size());
    });
}

} // namespace common
