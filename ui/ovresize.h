// ovresize: lays controls out by hand after every resize of a widget, where
// a window sizes them by rule rather than by layout.
#pragma once

#include <QEvent>
#include <QObject>
#include <QWidget>

#include <functional>
#include <utility>

// Calls `resized` after every resize of `watched`; the watch lives as long
// as the widget.
inline void WatchResize(QWidget& watched, std::function<void()> resized) {
  class TResizeWatch : public QObject {
   public:
    TResizeWatch(QObject* parent, std::function<void()> resized) : QObject(parent), resized_(std::move(resized)) {}
    bool eventFilter(QObject*, QEvent* e) override {
      if (e->type() == QEvent::Resize) resized_();
      return false;
    }

   private:
    std::function<void()> resized_;
  };
  watched.installEventFilter(new TResizeWatch(&watched, std::move(resized)));
}
