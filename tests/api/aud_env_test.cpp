// Environments: the process-wide one and local ones.
#include "api/aud_env.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace {

TEST(AudEnvGlobal, ReferencesAreCountedAndTheLastReleaseEndsIt) {
  ASSERT_EQ(nullptr, aud_env_get());
  aud_env_t *a = nullptr, *b = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_setup_dapi(&a));
  ASSERT_EQ(AUD_SUCCESS, aud_env_setup(&b));
  EXPECT_EQ(a, b);
  EXPECT_EQ(2u, a->refcount);
  EXPECT_NE(nullptr, aud_env_get_log(a));
  EXPECT_EQ(a, aud_env_get());
  EXPECT_EQ(AUD_SUCCESS, aud_env_release(b));
  EXPECT_EQ(a, aud_env_get());
  EXPECT_EQ(AUD_SUCCESS, aud_env_release(a));
  EXPECT_EQ(nullptr, aud_env_get());
  EXPECT_EQ(nullptr, aud_env_get_log(a));
}

TEST(AudEnvGlobal, SetupAllAddsAnEventLoopThatEndsWithTheLastReference) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_setup_all(&env));
  EXPECT_NE(nullptr, aud_env_get_event_loop(env));
  EXPECT_EQ(AUD_SUCCESS, aud_env_release(env));
  EXPECT_EQ(nullptr, aud_env_get_event_loop(env));
}

TEST(AudEnvGlobal, SuppressionIsRefusedWhileReferencedAndThenForbidsSetup) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_setup_dapi(&env));
  EXPECT_EQ(AUD_ERR_ALREADY, aud_env_suppress_global_env());
  EXPECT_EQ(AUD_SUCCESS, aud_env_release(env));
  // Suppression lasts for the life of the process: check it in a child.
  EXPECT_EXIT(
      {
        aud_env_t *e = nullptr;
        if (aud_env_suppress_global_env() != AUD_SUCCESS) exit(1);
        if (aud_env_setup_dapi(&e) != AUD_ERR_POLICY || e != nullptr) exit(2);
        if (aud_env_get() != nullptr) exit(3);
        exit(0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(AudEnvGlobal, TheProcessWideEnvironmentCannotBeDeleted) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_setup_dapi(&env));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_env_delete(env));
  EXPECT_EQ(AUD_SUCCESS, aud_env_release(env));
}

TEST(AudEnvLocal, ANewEnvironmentOwnsWhatItWasAskedToCreate) {
  struct Case {
    uint32_t flags;
    bool log, loop;
  } cases[] = {
      {0, false, false},
      {AUD_ENV_FLAG_LOCAL_LOG, true, false},
      {AUD_ENV_FLAG_LOCAL_EVENTS, false, true},
      {AUD_ENV_FLAG_LOCAL_LOG | AUD_ENV_FLAG_LOCAL_EVENTS, true, true},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.flags);
    aud_env_t *env = nullptr;
    ASSERT_EQ(AUD_SUCCESS, aud_env_new(c.flags, &env));
    EXPECT_EQ(c.flags | AUD_ENV_FLAG_LOCAL_ENV | AUD_ENV_FLAG_DELETE_ONLY, env->flags);
    EXPECT_EQ(1u, env->refcount);
    EXPECT_EQ(c.log, aud_env_get_log(env) != nullptr);
    EXPECT_EQ(c.loop, aud_env_get_event_loop(env) != nullptr);
    EXPECT_EQ(AUD_SUCCESS, aud_env_delete(env));
  }
}

TEST(AudEnvLocal, ADeleteOnlyEnvironmentRefusesToBeReleased) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_new(AUD_ENV_FLAG_LOCAL_EVENTS, &env));
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(AUD_ERR_INVALIDSTATE, aud_env_release(env));
  EXPECT_EQ("Error: This env cannot be cleaned up using aud_env_release!\n",
            ::testing::internal::GetCapturedStderr());
  EXPECT_NE(nullptr, aud_env_get_event_loop(env));
  EXPECT_EQ(AUD_SUCCESS, aud_env_delete(env));
}

int released = 0;
void count_release(void *) { released++; }

TEST(AudEnvLocal, ABorrowingEnvironmentReleasesItsContextButNotItsLoop) {
  aud_event_loop_t *loop = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_event_loop_new(&loop));
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_setup_local_no_log(&env, loop));
  int context = 0;
  ASSERT_EQ(AUD_SUCCESS, aud_env_set_context(env, &context, count_release));
  EXPECT_EQ(&context, aud_env_get_context(env));
  released = 0;
  EXPECT_EQ(AUD_SUCCESS, aud_env_release(env));
  EXPECT_EQ(1, released);
  // The loop is still ours to delete.
  EXPECT_EQ(AUD_SUCCESS, aud_event_loop_delete(loop));
}

TEST(AudEnvLocal, SettingALogDropsAnOwnedOne) {
  aud_env_t *env = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_env_new(AUD_ENV_FLAG_LOCAL_LOG, &env));
  aud_log_t *mine = nullptr;
  ASSERT_EQ(AUD_SUCCESS, aud_log_new(&mine));
  ASSERT_EQ(AUD_SUCCESS, aud_env_set_log(env, mine));
  EXPECT_EQ(mine, aud_env_get_log(env));
  EXPECT_FALSE(env->flags & AUD_ENV_FLAG_LOCAL_LOG);
  EXPECT_EQ(AUD_SUCCESS, aud_env_delete(env));
  aud_log_delete(mine);
}

TEST(AudEnvHostname, TheHostNameIsCutToFitAndTerminated) {
  char full[256];
  ASSERT_EQ(AUD_SUCCESS, aud_env_get_hostname(full, sizeof full));
  char two[3];
  ASSERT_EQ(AUD_SUCCESS, aud_env_get_hostname(two, sizeof two));
  EXPECT_EQ(std::string(full).substr(0, 2), std::string(two));
  EXPECT_EQ(AUD_ERR_INVALIDPARAMETER, aud_env_get_hostname(nullptr, 4));
}

}  // namespace
