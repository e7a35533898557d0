// The yardstick for the program's start-up: a bare Qt Widgets window of the
// main window's size with twelve buttons and twelve labels carrying Chinese
// captions, and nothing else. bench/startup.py --compare times both.

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QString>
#include <QWidget>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(810, 194);
    for (int i = 0; i < 12; ++i) {
        // Buttons in a grid of four columns and three rows on the left,
        // labels in three columns of four on the right.
        auto* button = new QPushButton(QString::fromUtf8("按钮%1").arg(i), &window);
        button->setGeometry(10 + (i % 4) * 90, 10 + (i / 4) * 40, 80, 30);
        auto* label = new QLabel(QString::fromUtf8("标签%1").arg(i), &window);
        label->setGeometry(400 + (i % 3) * 130, 10 + (i / 3) * 24, 120, 14);
    }
    window.show();
    return app.exec();
}
