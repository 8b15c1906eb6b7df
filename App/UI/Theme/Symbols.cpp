#include "UI/Theme/Symbols.h"

#include "Store/Log.h"

#include <QHash>
#include <QImage>
#include <QPainter>

#include <algorithm>

// The bundled pictures live in this library's resource file, which a static library must register
// (from the global namespace, where the registration function is).
static void registerBundledSymbols() {
    static const bool registered = [] {
        Q_INIT_RESOURCE(Symbols);
        return true;
    }();
    (void)registered;
}

namespace vesperline::Symbols {

namespace {

const Symbol* find(const QString& name) {
    const std::vector<Symbol>& symbols = all();
    const QByteArray key = name.toUtf8();
    const auto found = std::lower_bound(
        symbols.begin(), symbols.end(), key,
        [](const Symbol& symbol, const QByteArray& name) { return QByteArray(symbol.name) < name; });
    return found != symbols.end() && key == found->name ? &*found : nullptr;
}

} // namespace

const std::vector<Symbol>& all() {
    static const std::vector<Symbol> symbols = [] {
        std::vector<Symbol> table = {
            {"accessibility", "preferences-desktop-accessibility"},
            {"app.badge", "application-x-executable"},
            {"app.dashed", ""},
            {"arrow.right", "go-next"},
            {"arrow.right.to.line", "go-last"},
            {"arrow.triangle.2.circlepath", "view-refresh"},
            {"arrow.up.circle.fill", "go-up"},
            {"arrow.up.right", "go-jump"},
            {"arrow.up.right.square", "go-jump"},
            {"backward.frame.fill", "media-skip-backward"},
            {"battery.75percent", "battery-good"},
            {"bolt", ""},
            {"calendar.badge.clock", "appointment-soon"},
            {"calendar.day.timeline.left", "x-office-calendar"},
            {"camera.viewfinder", "camera-photo"},
            {"checkmark", "object-select"},
            {"checkmark.circle", "emblem-default"},
            {"checkmark.circle.fill", "emblem-default"},
            {"chevron.down", "go-down"},
            {"chevron.left", "go-previous"},
            {"chevron.right", "go-next"},
            {"clock", ""},
            {"clock.arrow.circlepath", "document-open-recent"},
            {"cpu", ""},
            {"cursorarrow.click", "input-mouse"},
            {"desktopcomputer", "computer"},
            {"doc.on.doc", "edit-copy"},
            {"exclamationmark.circle", "dialog-warning"},
            {"exclamationmark.circle.fill", "dialog-error"},
            {"exclamationmark.triangle", "dialog-warning"},
            {"eye.slash", "view-conceal"},
            {"folder", "folder"},
            {"forward.frame.fill", "media-skip-forward"},
            {"gauge.with.dots.needle.33percent", "utilities-system-monitor"},
            {"gearshape", "preferences-system"},
            {"globe", "applications-internet"},
            {"gobackward.10", "media-seek-backward"},
            {"goforward.10", "media-seek-forward"},
            {"hand.raised", ""},
            {"icloud.slash", "network-offline"},
            {"info.circle", "dialog-information"},
            {"internaldrive", "drive-harddisk"},
            {"key.slash", ""},
            {"leaf.fill", ""},
            {"lock.shield", "security-high"},
            {"lock.shield.fill", "security-high"},
            {"macbook", "computer-laptop"},
            {"magnifyingglass", "edit-find"},
            {"minus.circle", "list-remove"},
            {"pause.circle", "media-playback-pause"},
            {"pause.fill", "media-playback-pause"},
            {"photo.badge.exclamationmark", "image-missing"},
            {"play.fill", "media-playback-start"},
            {"plus", "list-add"},
            {"point.3.connected.trianglepath.dotted", ""},
            {"power", "system-shutdown"},
            {"questionmark.circle", "help-browser"},
            {"record.circle", "media-record"},
            {"rectangle.dashed.badge.record", "video-display"},
            {"rectangle.on.rectangle", ""},
            {"rectangle.stack", ""},
            {"star", ""},
            {"sunrise", ""},
            {"text.alignleft", "format-justify-left"},
            {"text.append", ""},
            {"text.badge.checkmark", ""},
            {"text.bubble", ""},
            {"text.magnifyingglass", "edit-find"},
            {"text.quote", ""},
            {"text.viewfinder", ""},
            {"trash", "user-trash"},
            {"wifi", "network-wireless"},
            {"xmark.circle.fill", "window-close"},
        };
        std::sort(table.begin(), table.end(),
                  [](const Symbol& a, const Symbol& b) { return QByteArray(a.name) < QByteArray(b.name); });
        return table;
    }();
    return symbols;
}

QIcon bundled(const QString& name) {
    if (!find(name)) {
        return {};
    }
    registerBundledSymbols();
    return QIcon(":/symbols/" + name + ".svg");
}

QIcon icon(const QString& name) {
    static QHash<QString, QIcon> icons;
    if (const auto cached = icons.constFind(name); cached != icons.constEnd()) {
        return *cached;
    }
    const Symbol* symbol = find(name);
    if (!symbol) {
        qCWarning(Log::app(), "Unknown symbol: %s", qPrintable(name));
        return {};
    }
    QIcon result;
    const QString themeName = QString::fromUtf8(symbol->themeName);
    if (!themeName.isEmpty()) {
        for (const QString& candidate : {themeName + "-symbolic", themeName}) {
            if (QIcon::hasThemeIcon(candidate)) {
                result = QIcon::fromTheme(candidate);
                break;
            }
        }
    }
    if (result.isNull()) {
        result = bundled(name);
    }
    icons.insert(name, result);
    return result;
}

QPixmap pixmap(const QString& name, int pixels, const QBrush& brush, qreal devicePixelRatio) {
    const QIcon glyph = icon(name);
    if (glyph.isNull() || pixels <= 0) {
        return {};
    }
    const QRect square(0, 0, pixels, pixels);
    QImage image(square.size() * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    glyph.paint(&painter, square);
    // Glyphs are shapes: keep their coverage, take the colour from the brush.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(square, brush);
    painter.end();
    return QPixmap::fromImage(std::move(image));
}

} // namespace vesperline::Symbols
