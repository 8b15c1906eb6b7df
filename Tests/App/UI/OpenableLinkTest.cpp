#include "UI/Shared/OpenableLink.h"

#include <gtest/gtest.h>

using namespace vesperline;

TEST(OpenableLinkTest, WebAddressesAndLocalFilesOpenNothingElseDoes) {
    struct Case {
        std::optional<std::string> address;
        bool opens;
    };
    const Case cases[] = {
        {"https://example.com/report?q=1", true},
        {"http://example.com", true},
        {"HTTPS://Example.com/", true},
        {"file:///home/user/report.pdf", true},
        {"FILE:///home/user/notes.txt", true},
        {"file://localhost/home/user/notes.txt", true},
        {"file://fileserver/share/notes.txt", false},
        {"file:notes.txt", false},
        {"http:no-host", false},
        {"ftp://example.com/file", false},
        {"httpx://example.com", false},
        {"http-evil:payload", false},
        {"files:///home/user/a", false},
        {"javascript:alert(1)", false},
        {"vscode://file/etc/passwd", false},
        {"example.com/page", false},
        {"/home/user/report.pdf", false},
        {"not a url at all", false},
        {"", false},
        {std::nullopt, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address.value_or("(none)"));
        const std::optional<QUrl> link = openableLink(c.address);
        EXPECT_EQ(link.has_value(), c.opens);
        if (link) {
            EXPECT_EQ(link->toString(), QUrl(QString::fromStdString(*c.address)).toString());
        }
    }
}
