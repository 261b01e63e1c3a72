#pragma once

// The runner's outputs write to a device; their tests give them a buffer and read back the text.
#include <QBuffer>
#include <QString>

#include <gtest/gtest.h>

class WrittenTextTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(buffer.open(QIODevice::WriteOnly)); }
    QString written() const { return QString::fromUtf8(buffer.data()); }

    QBuffer buffer;
};
