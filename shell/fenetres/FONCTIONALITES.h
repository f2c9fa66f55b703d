// The features window: a fixed text on what the program does.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace vestral {

class TForm3 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm3(QWidget* parent = nullptr);
  QPlainTextEdit* Memo1;
};

}  // namespace vestral
