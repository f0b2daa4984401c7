// Steps a test runs on a modal window once its event loop shows it.
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>

namespace testing_support {

// Runs `step` on the next modal window of type T once it shows.
template <typename T>
void WhenShown(std::function<void(T&)> step) {
  QTimer::singleShot(0, [step] {
    if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
      step(*window);
    } else {
      WhenShown<T>(step);
    }
  });
}

}  // namespace testing_support
