#include "UI/Shared/AppIconView.h"

#include "Platform/InstalledApplications.h"
#include "UI/Theme/Symbols.h"
#include "UI/Theme/Theme.h"

#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPainterPath>

namespace vesperline {

namespace {

// What a desktop file's Icon names: a file, or a name in the icon theme (some files add an
// extension the theme lookup does not want).
QIcon iconNamed(const std::string& value) {
    const QString name = QString::fromStdString(value);
    if (QFileInfo(name).isAbsolute()) {
        return QFileInfo(name).isFile() ? QIcon(name) : QIcon();
    }
    QIcon icon = QIcon::fromTheme(name);
    if (icon.isNull()) {
        static const QStringList extensions = {".png", ".svg", ".xpm"};
        for (const QString& extension : extensions) {
            if (name.endsWith(extension)) {
                icon = QIcon::fromTheme(name.chopped(extension.size()));
                break;
            }
        }
    }
    return icon;
}

// A soft vertical gradient of one colour, lighter at the top.
QLinearGradient standardGradient(const QColor& color) {
    QLinearGradient gradient(0, 0, 0, 1);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    gradient.setColorAt(0, color.lighter(112));
    gradient.setColorAt(1, color);
    return gradient;
}

} // namespace

AppIconView::AppIconView(platform::InstalledApplications& applications,
                         const std::optional<std::string>& bundleID, int side, QWidget* parent)
    : QWidget(parent), applications_(applications), side_(side) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    setBundleID(bundleID);
}

void AppIconView::setBundleID(const std::optional<std::string>& bundleID) {
    bundleID_ = bundleID;
    icon_ = icon(applications_, bundleID);
    update();
}

QIcon AppIconView::icon(platform::InstalledApplications& applications,
                        const std::optional<std::string>& bundleID) {
    if (!bundleID || bundleID->empty()) {
        return {};
    }
    static QHash<QString, QIcon> cache;
    const QString key = QString::fromStdString(*bundleID);
    if (const auto cached = cache.constFind(key); cached != cache.constEnd()) {
        return *cached;
    }
    QIcon icon;
    if (const auto application = applications.application(*bundleID); application && application->icon) {
        icon = iconNamed(*application->icon);
    }
    cache.insert(key, icon);
    return icon;
}

void AppIconView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QRectF square(0, 0, side_, side_);
    square.moveCenter(QRectF(rect()).center());
    if (!icon_.isNull()) {
        icon_.paint(&painter, square.toAlignedRect(), Qt::AlignCenter);
        return;
    }
    const double radius = side_ * 0.22;
    QPainterPath tile;
    tile.addRoundedRect(square, radius, radius);
    painter.fillPath(tile, QBrush(standardGradient(Theme::appColor(bundleID_))));
    QColor glyphColor = Theme::ink;
    glyphColor.setAlphaF(0.7f);
    const int glyphSide = std::max(1, int(side_ * 0.5 + 0.5));
    const QPixmap glyph = Symbols::pixmap("app.dashed", glyphSide, glyphColor, devicePixelRatioF());
    painter.drawPixmap(QPointF(square.center().x() - glyphSide / 2.0, square.center().y() - glyphSide / 2.0),
                       glyph);
}

} // namespace vesperline
