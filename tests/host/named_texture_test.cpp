// The named-texture registry: newest first, names compared without regard to case and refused
// when they do not fit, and the fields creation takes from the options.
#include "display/named_texture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class NamedTextures : public ::testing::Test {
protected:
    void SetUp() override { DestroyAllNamedTextures(); }
    void TearDown() override { DestroyAllNamedTextures(); }
};

std::string ListOrder()
{
    std::string names;
    for (NamedTexture* t = namedTextureList; t; t = t->next) {
        names += t->name;
        names += ' ';
    }
    return names;
}

}  // namespace

TEST_F(NamedTextures, NewestComesFirst)
{
    for (const char* name : {"a", "b", "c"}) {
        ASSERT_EQ(CreateNamedTexture(name, 1, 1, 0, 0), S_OK);
    }
    EXPECT_EQ(ListOrder(), "c b a ");
    DestroyNamedTexture(FindNamedTexture("b"));
    EXPECT_EQ(ListOrder(), "c a ");
    DestroyNamedTexture(FindNamedTexture("c"));
    EXPECT_EQ(ListOrder(), "a ");
}

TEST_F(NamedTextures, NamesCompareWithoutRegardToCase)
{
    ASSERT_EQ(CreateNamedTexture("PanoTexture1", 16, 8, 2, TEXOPT_DEPTH32), S_OK);
    EXPECT_EQ(CreateNamedTexture("panotexture1", 1, 1, 0, 0), E_FAIL);
    NamedTexture* found = FindNamedTexture("PANOTEXTURE1");
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->name, "PanoTexture1");
    EXPECT_EQ(FindNamedTexture("panotexture"), nullptr);
    EXPECT_EQ(FindNamedTexture("panotexture12"), nullptr);
    EXPECT_EQ(ListOrder(), "PanoTexture1 ");
}

TEST_F(NamedTextures, CreationSetsTheFieldsFromTheOptions)
{
    ASSERT_EQ(CreateNamedTexture("deep", 640, 480, 2, TEXOPT_DEPTH32 | TEXOPT_ALPHA), S_OK);
    ASSERT_EQ(CreateNamedTexture("shallow", 2, 3, 0, TEXOPT_DEPTH16), S_OK);
    const NamedTexture* deep = FindNamedTexture("deep");
    EXPECT_EQ(deep->width, 640u);
    EXPECT_EQ(deep->height, 480u);
    EXPECT_EQ(deep->stage, 2u);
    EXPECT_EQ(deep->depth, 32u);
    EXPECT_EQ(deep->alphaWanted, 1u);
    EXPECT_EQ(deep->surface, nullptr);
    EXPECT_EQ(deep->pixelBuffer, nullptr);
    const NamedTexture* shallow = FindNamedTexture("shallow");
    EXPECT_EQ(shallow->depth, 16u);
    EXPECT_EQ(shallow->alphaWanted, 0u);
    EXPECT_EQ(shallow->options, uint32_t{TEXOPT_DEPTH16});
}

TEST_F(NamedTextures, RefusesNamesThatDoNotFit)
{
    EXPECT_EQ(CreateNamedTexture(nullptr, 1, 1, 0, 0), E_INVALIDARG);
    EXPECT_EQ(CreateNamedTexture(std::string(80, 'n').c_str(), 1, 1, 0, 0), E_INVALIDARG);
    EXPECT_EQ(namedTextureList, nullptr);
    const std::string longest(79, 'n');
    ASSERT_EQ(CreateNamedTexture(longest.c_str(), 1, 1, 0, 0), S_OK);
    EXPECT_EQ(FindNamedTexture(longest.c_str())->name, longest);
}
