#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Skarvo");
  QMainWindow window;
  window.setWindowTitle("Skarvo");
  window.resize(680, 480);
  window.show();
  return app.exec();
}
