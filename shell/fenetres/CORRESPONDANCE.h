// The correspondence window: how Morse signs appear as computer characters.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace vestral {

class TForm6 : public QDialog {
  Q_OBJECT
 public:
  explicit TForm6(QWidget* parent = nullptr);
  QPlainTextEdit* Memo1;
};

}  // namespace vestral
