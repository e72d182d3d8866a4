// A window showing every building block of the screens with sample data.
#include <QGuiApplication>
#include <QQmlEngine>
#include <QQuickView>
#include <QtQml/qqmlextensionplugin.h>

Q_IMPORT_QML_PLUGIN(LumoraPlugin)
Q_IMPORT_QML_PLUGIN(LumoraGalleryPlugin)

using namespace Qt::StringLiterals;

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    QQuickView view;
    view.engine()->addImportPath(u"qrc:/qt/qml"_s);
    view.setResizeMode(QQuickView::SizeRootObjectToView);
    view.setTitle(u"Lumora building blocks"_s);
    view.setSource(QUrl(u"qrc:/qt/qml/LumoraGallery/Gallery.qml"_s));
    if (view.status() != QQuickView::Ready)
        return 1;
    view.resize(1180, 900);
    view.show();
    return app.exec();
}
