#include "UI/Theme/Symbols.h"

#include "Runtime/Log.h"
#include "UI/Theme/Theme.h"

#include <QGuiApplication>
#include <QHash>
#include <QIconEngine>
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

// The picture of `shape` in a square of `size`, its coverage filled with `brush`.
QImage tinted(const QIcon& shape, const QSize& size, qreal ratio, const QBrush& brush) {
    QImage image(size * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const QRect square(QPoint(), size);
    shape.paint(&painter, square);
    // Glyphs are shapes: keep their coverage, take the colour from the brush.
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(square, brush);
    return image;
}

// Draws a glyph in the text colour of the application's palette, whatever colour the drawing or the
// icon theme gives it, so a symbol on a button reads on a light and on a dark ground alike. A
// disabled glyph is fainter, a selected one takes the selection's text colour.
class GlyphEngine final : public QIconEngine {
  public:
    explicit GlyphEngine(QIcon shape) : shape_(std::move(shape)) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override {
        const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1;
        painter->drawPixmap(rect.topLeft(), scaledPixmap(rect.size(), mode, state, ratio));
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override {
        return scaledPixmap(size, mode, state, 1);
    }
    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        if (size.isEmpty()) {
            return {};
        }
        const QColor color = colorFor(mode);
        const QString key = QStringLiteral("%1x%2@%3#%4")
                                .arg(size.width())
                                .arg(size.height())
                                .arg(scale)
                                .arg(color.rgba(), 8, 16, QLatin1Char('0'));
        if (const auto cached = pixmaps_.constFind(key); cached != pixmaps_.constEnd()) {
            return *cached;
        }
        // Few sizes and colours are ever asked for; forget them all rather than grow.
        if (pixmaps_.size() > 32) {
            pixmaps_.clear();
        }
        const QPixmap drawn = QPixmap::fromImage(tinted(shape_, size, scale, color));
        pixmaps_.insert(key, drawn);
        return drawn;
    }
    QSize actualSize(const QSize& size, QIcon::Mode, QIcon::State) override { return size; }
    QIconEngine* clone() const override { return new GlyphEngine(shape_); }
    QString key() const override { return QStringLiteral("vesperline.glyph"); }
    bool isNull() override { return shape_.isNull(); }

  private:
    static QColor colorFor(QIcon::Mode mode) {
        const QPalette palette = QGuiApplication::palette();
        switch (mode) {
        case QIcon::Disabled:
            return Theme::textColor(palette, Theme::Level::tertiary);
        case QIcon::Selected:
            return palette.color(QPalette::HighlightedText);
        case QIcon::Normal:
        case QIcon::Active:
            break;
        }
        return Theme::textColor(palette, Theme::Level::primary);
    }

    QIcon shape_;
    QHash<QString, QPixmap> pixmaps_;
};

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

bool looksUpIconTheme(const QString& themeName) {
    return !themeName.isEmpty() && themeName != QLatin1String("hicolor");
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
    if (!themeName.isEmpty() && looksUpIconTheme(QIcon::themeName())) {
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
    result = QIcon(new GlyphEngine(std::move(result)));
    icons.insert(name, result);
    return result;
}

QPixmap pixmap(const QString& name, int pixels, const QBrush& brush, qreal devicePixelRatio) {
    const QIcon glyph = icon(name);
    if (glyph.isNull() || pixels <= 0) {
        return {};
    }
    return QPixmap::fromImage(tinted(glyph, QSize(pixels, pixels), devicePixelRatio, brush));
}

} // namespace vesperline::Symbols
