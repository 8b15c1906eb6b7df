#include "Runtime/Log.h"

#include <gtest/gtest.h>

#include <string>

TEST(Log, EachAreaHasItsCategoryUnderTheAppId) {
    struct Case {
        const QLoggingCategory& category;
        const char* name;
    };
    const Case cases[] = {
        {vesperline::Log::app(), "org.vesperline.Vesperline.app"},
        {vesperline::Log::capture(), "org.vesperline.Vesperline.capture"},
        {vesperline::Log::storage(), "org.vesperline.Vesperline.storage"},
        {vesperline::Log::ocr(), "org.vesperline.Vesperline.ocr"},
        {vesperline::Log::ai(), "org.vesperline.Vesperline.ai"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(std::string(c.category.categoryName()), c.name);
    }
    // Traces are off until asked for; information shows.
    EXPECT_FALSE(vesperline::Log::ocr().isDebugEnabled());
    EXPECT_TRUE(vesperline::Log::ocr().isInfoEnabled());
    // Built once: asking again gives the same category.
    EXPECT_EQ(&vesperline::Log::make("storage").category(), &vesperline::Log::storage());
}
