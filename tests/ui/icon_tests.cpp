#include "ui/icons.h"
#include "view_test_support.h"

#include <gtest/gtest.h>
#include <set>
#include <string>

#include <QDir>
#include <QFile>
#include <QFont>
#include <QRawFont>
#include <QRegularExpression>

namespace kestrune {
namespace {

// The string literals of a binding, up to the end of its line.
void addLiterals(const QString& binding, std::set<std::string>& names) {
    static const QRegularExpression literal(QStringLiteral("\"([^\"]*)\""));
    for (const auto& match : literal.globalMatch(binding))
        names.insert(match.captured(1).toStdString());
}

// The end of the block that opens at `open` (a "{").
qsizetype blockEnd(const QString& text, qsizetype open) {
    int depth = 0;
    for (qsizetype i = open; i < text.size(); ++i) {
        if (text[i] == u'{')
            ++depth;
        else if (text[i] == u'}' && --depth == 0)
            return i;
    }
    return text.size();
}

// Every symbol the views name: the `name:` of each Icon and each `iconName:` binding.
std::set<std::string> symbolsNamedInViews() {
    static const QRegularExpression iconBlock(QStringLiteral("\\bIcon\\s*\\{"));
    static const QRegularExpression nameBinding(QStringLiteral("\\bname\\s*:([^\\n]*)"));
    static const QRegularExpression iconNameBinding(QStringLiteral("\\biconName\\s*:([^\\n]*)"));
    std::set<std::string> names;
    const QDir views(KESTRUNE_VIEWS_SOURCE_DIR);
    for (const QString& file : views.entryList({"*.qml"}, QDir::Files)) {
        QFile source(views.filePath(file));
        EXPECT_TRUE(source.open(QIODevice::ReadOnly)) << file.toStdString();
        const QString text = QString::fromUtf8(source.readAll());
        for (const auto& block : iconBlock.globalMatch(text)) {
            const qsizetype open = block.capturedEnd() - 1;
            const QString body = text.mid(open, blockEnd(text, open) - open);
            for (const auto& binding : nameBinding.globalMatch(body))
                addLiterals(binding.captured(1), names);
        }
        for (const auto& binding : iconNameBinding.globalMatch(text))
            addLiterals(binding.captured(1), names);
    }
    return names;
}

TEST(Icons, EverySymbolTheViewsNameHasAGlyph) {
    const auto named = symbolsNamedInViews();
    // The scan itself must see the clip strip's symbols, or it proves nothing.
    for (const char* expected : {"xmark", "scissors", "plus"})
        EXPECT_TRUE(named.count(expected)) << expected;
    for (const auto& symbol : named)
        EXPECT_TRUE(iconCodePoint(symbol)) << "no glyph for \"" << symbol << "\"";
}

TEST(Icons, EveryGlyphIsInTheIconFont) {
    QFont font(Icons::fontFamily());
    font.setPixelSize(16);
    const QRawFont raw = QRawFont::fromFont(font);
    ASSERT_EQ(raw.familyName(), Icons::fontFamily()) << "the icon font is not installed";
    std::set<std::string_view> symbols;
    for (const auto& glyph : iconGlyphs()) {
        EXPECT_TRUE(symbols.insert(glyph.symbol).second) << "listed twice: " << glyph.symbol;
        EXPECT_TRUE(raw.supportsCharacter(glyph.codePoint))
            << glyph.symbol << " U+" << std::hex << static_cast<unsigned>(glyph.codePoint);
    }
}

TEST(Icons, GlyphTextIsTheCodePointAndNothingForUnknownSymbols) {
    Icons icons;
    EXPECT_EQ(icons.glyph("play.fill"), QString(QChar(0xE037)));
    EXPECT_EQ(icons.glyph("pause.fill"), QString(QChar(0xE034)));
    EXPECT_EQ(icons.glyph("scissors"), QString(QChar(0xE14E)));
    EXPECT_EQ(icons.glyph(""), QString());
    EXPECT_EQ(icons.glyph("no.such.symbol"), QString());
}

class IconViewTest : public test::ViewTest {};

// Every symbol of the table drawn by the Icon component beside its name: the
// picture to look at when choosing glyphs.
TEST_F(IconViewTest, IconDrawsTheGlyphInTheIconFont) {
    QStringList symbols;
    for (const auto& glyph : iconGlyphs())
        symbols << QString::fromUtf8(glyph.symbol.data(), glyph.symbol.size());
    QQmlComponent component(engine.get());
    component.setData(R"(
        import QtQuick
        import Kestrune.Views
        Grid {
            property var symbols
            columns: 3
            padding: 12
            spacing: 10
            Repeater {
                model: symbols
                Row {
                    required property string modelData
                    width: 200
                    spacing: 8
                    Icon { objectName: "icon"; name: parent.modelData; size: 20 }
                    Text { text: parent.modelData; color: "#aaaaaa"; font.pixelSize: 12 }
                }
            }
        })",
                      QUrl("qrc:/icon-gallery.qml"));
    ASSERT_TRUE(component.isReady()) << component.errorString().toStdString();
    std::unique_ptr<QObject> gallery(component.createWithInitialProperties({{"symbols", symbols}}));
    auto* item = qobject_cast<QQuickItem*>(gallery.get());
    ASSERT_NE(item, nullptr);
    item->setParentItem(window->contentItem());
    show(item->width(), item->height());

    const auto icons = find(item, "icon");
    ASSERT_EQ(icons.size(), iconGlyphs().size());
    const auto& play = *std::find_if(iconGlyphs().begin(), iconGlyphs().end(),
                                     [](const IconGlyph& g) { return g.symbol == "play.fill"; });
    const QQuickItem* playIcon = icons[&play - iconGlyphs().data()];
    EXPECT_EQ(playIcon->property("text").toString(), QString(QChar(0xE037)));
    const QFont font = playIcon->property("font").value<QFont>();
    EXPECT_EQ(font.family(), "Material Icons");
    EXPECT_EQ(font.pixelSize(), 20);
    saveView("icons");
}

} // namespace
} // namespace kestrune
