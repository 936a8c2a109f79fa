// Every text the window looks up for translation while the tests run must be in
// translations/kestrune.ts under the same context, or no translation could ever
// reach it: a QT_TRANSLATE_NOOP under another class's name, a text marked in one
// class and translated in another, or a text added without running the
// `translations` target. The lookups are recorded by a translator that translates
// nothing, so every text still reads as written.
#include <gtest/gtest.h>
#include <set>
#include <utility>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTranslator>
#include <QXmlStreamReader>

namespace {

using Message = std::pair<QString, QString>; // context, source text

class RecordingTranslator : public QTranslator {
public:
    std::set<Message> asked;

    QString translate(const char* context, const char* sourceText, const char* = nullptr,
                      int = -1) const override {
        if (context && sourceText)
            const_cast<RecordingTranslator*>(this)->asked.emplace(QString::fromUtf8(context),
                                                                  QString::fromUtf8(sourceText));
        return {};
    }
    bool isEmpty() const override { return false; }
};

std::set<Message> catalogue(const QString& path) {
    std::set<Message> messages;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return messages;
    QXmlStreamReader xml(&file);
    // A context's <name> comes before its messages' <source>s.
    QString context;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == u"name")
            context = xml.readElementText();
        else if (xml.name() == u"source")
            messages.emplace(context, xml.readElementText());
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return messages;
}

// Ours: the application's classes and the views of its QML module. Qt's own
// texts (its dialogs and widgets) are translated by Qt's catalogues.
bool isOurs(const QString& context) {
    return context.startsWith(u"kestrune::") ||
           QFileInfo::exists(QStringLiteral(KESTRUNE_QML_SOURCES "/") + context +
                             QStringLiteral(".qml"));
}

class TranslationCatalogue : public ::testing::Environment {
public:
    void SetUp() override { QCoreApplication::installTranslator(&recorder_); }

    void TearDown() override {
        QCoreApplication::removeTranslator(&recorder_);
        const std::set<Message> known = catalogue(KESTRUNE_TRANSLATIONS);
        ASSERT_FALSE(known.empty()) << "cannot read " << KESTRUNE_TRANSLATIONS;
        for (const auto& [context, source] : recorder_.asked)
            if (isOurs(context) && !known.contains({context, source}))
                ADD_FAILURE() << "not in the catalogue: " << context.toStdString() << " \""
                              << source.toStdString() << "\"";
    }

private:
    RecordingTranslator recorder_;
};

[[maybe_unused]] const auto* const environment =
    ::testing::AddGlobalTestEnvironment(new TranslationCatalogue);

} // namespace
