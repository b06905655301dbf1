#pragma once

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QPointF>
#include <QTimer>
#include <functional>

namespace lumetch::test {

// Calls `act` on the modal dialog of type T once it is up. A dialog still up
// after a while is rejected, so a test fails instead of hanging.
template <class T>
void when_modal(QObject& guard, std::function<void(T&)> act, int tries = 200) {
  QTimer::singleShot(10, &guard, [&guard, act, tries] {
    if (auto* d = qobject_cast<T*>(QApplication::activeModalWidget())) {
      act(*d);
    } else if (tries > 0) {
      when_modal<T>(guard, act, tries - 1);
    }
  });
  QTimer::singleShot(4000, &guard, [] {
    if (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) d->reject();
  });
}

// A dark pixel at or right beside p: lines fall on whole pixels.
inline bool dark(const QImage& img, QPointF p) {
  const QPoint c = p.toPoint();
  for (int dy = -1; dy <= 1; ++dy) {
    for (int dx = -1; dx <= 1; ++dx) {
      const QPoint q = c + QPoint(dx, dy);
      if (img.rect().contains(q) && qGray(img.pixel(q)) < 128) return true;
    }
  }
  return false;
}

}  // namespace lumetch::test
