// The view and model matrices built from position, direction and up.
#include <gtest/gtest.h>

#include "engine/core/vec_math.h"

namespace {
void ExpectMatrix(const float m[16], const float expected[16]) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(m[i], expected[i], 1e-6f) << "element " << i;
}
}  // namespace

TEST(VecMath, ViewMatrixOfADefaultCameraIsATranslation) {
    float m[16];
    BuildViewMatrix({0, 0, 5}, {0, 0, -1}, {0, 1, 0}, m);
    const float expected[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -5, 1};
    ExpectMatrix(m, expected);
}

TEST(VecMath, ModelMatrixTurnsLocalAxes) {
    float m[16];
    BuildModelMatrix({1, 2, 3}, {1, 0, 0}, {0, 1, 0}, m);
    // Local x along (0, 0, 1), y along (0, 1, 0), z along -direction, origin at the position.
    const float expected[16] = {0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 1, 2, 3, 1};
    ExpectMatrix(m, expected);
}

TEST(VecMath, ViewIsTheInverseOfTheModelMatrix) {
    float view[16], model[16];
    const Vec3 p{3, -2, 7}, d = Normalised({1, -1, -2}), up = Normalised({0.2f, 1, 0});
    BuildViewMatrix(p, d, up, view);
    BuildModelMatrix(p, d, up, model);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            float sum = 0;
            for (int k = 0; k < 4; ++k) sum += view[4 * k + r] * model[4 * c + k];
            EXPECT_NEAR(sum, r == c ? 1.0f : 0.0f, 1e-5f);
        }
}

TEST(VecMath, CrossAndDot) {
    const Vec3 x{1, 0, 0}, y{0, 1, 0};
    const Vec3 z = Cross(x, y);
    EXPECT_FLOAT_EQ(z.z, 1.0f);
    EXPECT_FLOAT_EQ(Dot(x, y), 0.0f);
    EXPECT_FLOAT_EQ(Length({3, 4, 12}), 13.0f);
}
