#include "UI/Shared/OpenableLink.h"

#include <gtest/gtest.h>

using namespace vesperline;

TEST(OpenableLinkTest, WebAddressesUnderBothRulesAndLocalFilesOnlyWhereFilesAreAllowed) {
    struct Case {
        std::optional<std::string> address;
        bool web;
        bool webOrFile;
    };
    const Case cases[] = {
        {"https://example.com/report?q=1", true, true},
        {"http://example.com", true, true},
        {"HTTPS://Example.com/", true, true},
        {"file:///home/user/report.pdf", false, true},
        {"FILE:///home/user/notes.txt", false, true},
        {"file://localhost/home/user/notes.txt", false, true},
        {"file://fileserver/share/notes.txt", false, false},
        {"file:notes.txt", false, false},
        {"http:no-host", false, false},
        {"ftp://example.com/file", false, false},
        {"httpx://example.com", false, false},
        {"http-evil:payload", false, false},
        {"files:///home/user/a", false, false},
        {"javascript:alert(1)", false, false},
        {"vscode://file/etc/passwd", false, false},
        {"example.com/page", false, false},
        {"/home/user/report.pdf", false, false},
        {"not a url at all", false, false},
        {"", false, false},
        {std::nullopt, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.value_or("(none)"));
        EXPECT_EQ(openableLink(c.address, LinkRule::web).has_value(), c.web);
        const std::optional<QUrl> link = openableLink(c.address, LinkRule::webOrFile);
        EXPECT_EQ(link.has_value(), c.webOrFile);
        if (link) {
            EXPECT_EQ(link->toString(), QUrl(QString::fromStdString(*c.address)).toString());
        }
    }
}
