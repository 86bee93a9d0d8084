/* pwtestnode: a camera and a microphone published on a PipeWire daemon, as
 * strict as real ones, for the tests that run a private PipeWire.
 *
 *   pwtestnode [--camera NAME] [--format yuy2|nv12|gray8] [--size WxH]...
 *              [--size-range WxH-WxH] [--rates 30,15] [--low-light]
 *              [--jitter MS] [--path /dev/videoN]
 *              [--microphone NAME] [--mic-rate HZ] [--mic-channels N]
 *
 * The camera offers exactly the formats given (one EnumFormat per size, as
 * the V4L2 nodes of PipeWire do, or one size range), drives the graph at the
 * rate the consumer chose, and stamps every frame with CLOCK_MONOTONIC, as a
 * V4L2 node does with the kernel's timestamps. --low-light delivers every
 * second frame while the format keeps its rate, as webcams do in the dark;
 * --jitter moves each frame by up to MS milliseconds either way. --path
 * gives the node the properties of a V4L2 camera reached through PipeWire
 * (api.v4l2.path, object.path).
 *
 * The microphone is an Audio/Source node that makes a 440 Hz tone in S16LE
 * at the graph's pace and, like PipeWire's ALSA sources, leaves its buffers
 * without timestamps.
 *
 * Prints "ready" once the nodes exist, and at the end how many camera frames
 * it sent and lost (no buffer free); runs until SIGTERM or SIGINT. */
#include <errno.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <pipewire/pipewire.h>
#include <spa/param/audio/format-utils.h>
#include <spa/param/video/format-utils.h>

#define MAX_SIZES 16
#define MAX_RATES 8

struct camera {
  struct pw_stream *stream;
  struct spa_hook listener;
  struct spa_source *timer;
  struct pw_loop *loop;
  const char *name;
  const char *path;
  uint32_t format; /* SPA_VIDEO_FORMAT_YUY2 or _NV12 */
  struct spa_rectangle sizes[MAX_SIZES];
  int n_sizes;
  int ranged; /* sizes[0]..sizes[1] is a range */
  struct spa_fraction rates[MAX_RATES];
  int n_rates;
  int low_light;
  int jitter_ms;
  struct spa_video_info_raw chosen;
  int32_t stride;
  uint32_t frame_size;
  uint64_t period_ns;
  uint64_t start_ns;
  uint64_t ticks;
  uint32_t seq;
  int streaming;
  uint64_t sent, lost;  /* frames queued to the consumer, frames without a buffer */
};

struct microphone {
  struct pw_stream *stream;
  struct spa_hook listener;
  const char *name;
  uint32_t rate;
  uint32_t channels;
  double phase;
};

static struct pw_main_loop *main_loop;

static uint64_t now_ns(void) {
  struct timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return SPA_TIMESPEC_TO_NSEC(&ts);
}

/* --- camera --- */

static void draw(struct camera *c, uint8_t *p) {
  const uint32_t w = c->chosen.size.width, h = c->chosen.size.height;
  const uint32_t shift = c->seq * 4;
  for (uint32_t y = 0; y < h; ++y) {
    uint8_t *row = p + (size_t)y * c->stride;
    if (c->format == SPA_VIDEO_FORMAT_YUY2) {
      for (uint32_t x = 0; x < w; ++x) {
        row[2 * x] = (uint8_t)((x / 8 + y / 8 + shift) & 0xff);
        row[2 * x + 1] = (x & 1) ? 160 : 96;
      }
    } else {
      for (uint32_t x = 0; x < w; ++x) row[x] = (uint8_t)((x / 8 + y / 8 + shift) & 0xff);
    }
  }
  if (c->format == SPA_VIDEO_FORMAT_NV12) {
    uint8_t *uv = p + (size_t)c->stride * h;
    memset(uv, 128, (size_t)c->stride * (h / 2));
  }
}

static void schedule(struct camera *c) {
  /* The next frame is due one period after the last; in the dark only every
   * second one comes. Jitter moves each one on its own. */
  c->ticks += c->low_light ? 2 : 1;
  int64_t due = (int64_t)(c->start_ns + c->ticks * c->period_ns);
  if (c->jitter_ms > 0) due += ((int64_t)(rand() % (2 * c->jitter_ms + 1)) - c->jitter_ms) * 1000000LL;
  struct timespec value = {due / SPA_NSEC_PER_SEC, due % SPA_NSEC_PER_SEC};
  pw_loop_update_timer(c->loop, c->timer, &value, NULL, true);
}

static void on_camera_timer(void *data, uint64_t expirations) {
  struct camera *c = data;
  (void)expirations;
  if (!c->streaming) return;
  pw_stream_trigger_process(c->stream);
  schedule(c);
}

static void on_camera_process(void *data) {
  struct camera *c = data;
  struct pw_buffer *b = pw_stream_dequeue_buffer(c->stream);
  if (!b) { /* the consumer holds every buffer: this frame is lost */
    c->lost++;
    return;
  }
  struct spa_buffer *buf = b->buffer;
  uint8_t *p = buf->datas[0].data;
  if (!p || buf->datas[0].maxsize < c->frame_size) {
    pw_stream_queue_buffer(c->stream, b);
    return;
  }
  draw(c, p);
  struct spa_meta_header *h = spa_buffer_find_meta_data(buf, SPA_META_Header, sizeof(*h));
  if (h) {
    h->pts = (int64_t)now_ns();
    h->flags = 0;
    h->seq = c->seq;
    h->dts_offset = 0;
  }
  c->seq++;
  c->sent++;
  buf->datas[0].chunk->offset = 0;
  buf->datas[0].chunk->size = c->frame_size;
  buf->datas[0].chunk->stride = c->stride;
  pw_stream_queue_buffer(c->stream, b);
}

static void on_camera_state(void *data, enum pw_stream_state old, enum pw_stream_state state,
                            const char *error) {
  struct camera *c = data;
  (void)old;
  if (state == PW_STREAM_STATE_ERROR) fprintf(stderr, "pwtestnode: camera: %s\n", error);
  printf("camera %s\n", pw_stream_state_as_string(state));
  fflush(stdout);
  c->streaming = state == PW_STREAM_STATE_STREAMING;
  if (c->streaming && c->period_ns > 0) {
    c->start_ns = now_ns();
    c->ticks = 0;
    schedule(c);
  } else {
    pw_loop_update_timer(c->loop, c->timer, NULL, NULL, false);
  }
}

static void on_camera_param(void *data, uint32_t id, const struct spa_pod *param) {
  struct camera *c = data;
  if (!param || id != SPA_PARAM_Format) return;
  if (spa_format_video_raw_parse(param, &c->chosen) < 0) return;
  const uint32_t w = c->chosen.size.width, h = c->chosen.size.height;
  if (c->format == SPA_VIDEO_FORMAT_YUY2) {
    c->stride = (int32_t)(w * 2);
    c->frame_size = w * 2 * h;
  } else {
    c->stride = (int32_t)SPA_ROUND_UP_N(w, 4);
    c->frame_size = (uint32_t)c->stride * h;
    if (c->format == SPA_VIDEO_FORMAT_NV12) c->frame_size = c->frame_size * 3 / 2;
  }
  const struct spa_fraction r = c->chosen.framerate;
  c->period_ns = r.num > 0 ? (uint64_t)SPA_NSEC_PER_SEC * r.denom / r.num : 0;
  printf("camera format %ux%u %u/%u\n", w, h, r.num, r.denom);
  fflush(stdout);

  uint8_t buffer[512];
  struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
  const struct spa_pod *params[2];
  params[0] = spa_pod_builder_add_object(
      &b, SPA_TYPE_OBJECT_ParamBuffers, SPA_PARAM_Buffers, SPA_PARAM_BUFFERS_buffers,
      SPA_POD_CHOICE_RANGE_Int(8, 2, 16), SPA_PARAM_BUFFERS_blocks, SPA_POD_Int(1),
      SPA_PARAM_BUFFERS_size, SPA_POD_Int(c->frame_size), SPA_PARAM_BUFFERS_stride,
      SPA_POD_Int(c->stride));
  params[1] = spa_pod_builder_add_object(&b, SPA_TYPE_OBJECT_ParamMeta, SPA_PARAM_Meta,
                                         SPA_PARAM_META_type, SPA_POD_Id(SPA_META_Header),
                                         SPA_PARAM_META_size,
                                         SPA_POD_Int(sizeof(struct spa_meta_header)));
  pw_stream_update_params(c->stream, params, 2);
}

static const struct pw_stream_events camera_events = {
    PW_VERSION_STREAM_EVENTS,
    .state_changed = on_camera_state,
    .param_changed = on_camera_param,
    .process = on_camera_process,
};

static const struct spa_pod *camera_format(struct camera *c, struct spa_pod_builder *b, int i) {
  struct spa_pod_frame f[2];
  spa_pod_builder_push_object(b, &f[0], SPA_TYPE_OBJECT_Format, SPA_PARAM_EnumFormat);
  spa_pod_builder_add(b, SPA_FORMAT_mediaType, SPA_POD_Id(SPA_MEDIA_TYPE_video),
                      SPA_FORMAT_mediaSubtype, SPA_POD_Id(SPA_MEDIA_SUBTYPE_raw),
                      SPA_FORMAT_VIDEO_format, SPA_POD_Id(c->format), 0);
  if (c->ranged)
    spa_pod_builder_add(b, SPA_FORMAT_VIDEO_size,
                        SPA_POD_CHOICE_RANGE_Rectangle(&c->sizes[1], &c->sizes[0], &c->sizes[1]),
                        0);
  else
    spa_pod_builder_add(b, SPA_FORMAT_VIDEO_size, SPA_POD_Rectangle(&c->sizes[i]), 0);
  /* The rates as an enumeration, the first also its default. */
  spa_pod_builder_prop(b, SPA_FORMAT_VIDEO_framerate, 0);
  spa_pod_builder_push_choice(b, &f[1], SPA_CHOICE_Enum, 0);
  spa_pod_builder_fraction(b, c->rates[0].num, c->rates[0].denom);
  for (int k = 0; k < c->n_rates; ++k) spa_pod_builder_fraction(b, c->rates[k].num, c->rates[k].denom);
  spa_pod_builder_pop(b, &f[1]);
  return spa_pod_builder_pop(b, &f[0]);
}

static int start_camera(struct pw_core *core, struct pw_loop *loop, struct camera *c) {
  struct pw_properties *props = pw_properties_new(
      PW_KEY_MEDIA_CLASS, "Video/Source", PW_KEY_NODE_DESCRIPTION, c->name, PW_KEY_MEDIA_ROLE,
      "Camera", NULL);
  pw_properties_setf(props, PW_KEY_NODE_NAME, "pwtestnode.camera.%d", (int)getpid());
  if (c->path) {
    pw_properties_set(props, "api.v4l2.path", c->path);
    pw_properties_setf(props, PW_KEY_OBJECT_PATH, "v4l2:%s", c->path);
    pw_properties_set(props, PW_KEY_DEVICE_API, "v4l2");
  }
  c->loop = loop;
  c->stream = pw_stream_new(core, c->name, props);
  if (!c->stream) return -1;
  c->timer = pw_loop_add_timer(loop, on_camera_timer, c);
  pw_stream_add_listener(c->stream, &c->listener, &camera_events, c);
  uint8_t buffer[4096];
  struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
  const struct spa_pod *params[MAX_SIZES];
  const int n = c->ranged ? 1 : c->n_sizes;
  for (int i = 0; i < n; ++i) params[i] = camera_format(c, &b, i);
  return pw_stream_connect(c->stream, PW_DIRECTION_OUTPUT, PW_ID_ANY,
                           PW_STREAM_FLAG_DRIVER | PW_STREAM_FLAG_MAP_BUFFERS, params,
                           (uint32_t)n);
}

/* --- microphone --- */

static void on_mic_process(void *data) {
  struct microphone *m = data;
  struct pw_buffer *b = pw_stream_dequeue_buffer(m->stream);
  if (!b) return;
  struct spa_buffer *buf = b->buffer;
  int16_t *dst = buf->datas[0].data;
  if (!dst) {
    pw_stream_queue_buffer(m->stream, b);
    return;
  }
  const uint32_t stride = 2 * m->channels;
  uint32_t frames = buf->datas[0].maxsize / stride;
  if (b->requested > 0 && b->requested < frames) frames = (uint32_t)b->requested;
  for (uint32_t i = 0; i < frames; ++i) {
    m->phase += 2 * M_PI * 440.0 / m->rate;
    if (m->phase >= 2 * M_PI) m->phase -= 2 * M_PI;
    const int16_t v = (int16_t)(sin(m->phase) * 8000);
    for (uint32_t k = 0; k < m->channels; ++k) *dst++ = v;
  }
  buf->datas[0].chunk->offset = 0;
  buf->datas[0].chunk->stride = (int32_t)stride;
  buf->datas[0].chunk->size = frames * stride;
  pw_stream_queue_buffer(m->stream, b);
}

static void on_mic_state(void *data, enum pw_stream_state old, enum pw_stream_state state,
                         const char *error) {
  (void)data;
  (void)old;
  if (state == PW_STREAM_STATE_ERROR) fprintf(stderr, "pwtestnode: microphone: %s\n", error);
}

static const struct pw_stream_events mic_events = {
    PW_VERSION_STREAM_EVENTS,
    .state_changed = on_mic_state,
    .process = on_mic_process,
};

static int start_microphone(struct pw_core *core, struct microphone *m) {
  struct pw_properties *props =
      pw_properties_new(PW_KEY_MEDIA_CLASS, "Audio/Source", PW_KEY_NODE_DESCRIPTION, m->name, NULL);
  pw_properties_setf(props, PW_KEY_NODE_NAME, "pwtestnode.microphone.%d", (int)getpid());
  m->stream = pw_stream_new(core, m->name, props);
  if (!m->stream) return -1;
  pw_stream_add_listener(m->stream, &m->listener, &mic_events, m);
  uint8_t buffer[512];
  struct spa_pod_builder b = SPA_POD_BUILDER_INIT(buffer, sizeof(buffer));
  struct spa_audio_info_raw info = {.format = SPA_AUDIO_FORMAT_S16_LE, .channels = m->channels,
                                    .rate = m->rate};
  if (m->channels == 1) info.position[0] = SPA_AUDIO_CHANNEL_MONO;
  if (m->channels == 2) {
    info.position[0] = SPA_AUDIO_CHANNEL_FL;
    info.position[1] = SPA_AUDIO_CHANNEL_FR;
  }
  const struct spa_pod *params[1] = {spa_format_audio_raw_build(&b, SPA_PARAM_EnumFormat, &info)};
  return pw_stream_connect(m->stream, PW_DIRECTION_OUTPUT, PW_ID_ANY, PW_STREAM_FLAG_MAP_BUFFERS,
                           params, 1);
}

/* --- command line --- */

static int usage(void) {
  fprintf(stderr,
          "usage: pwtestnode [--camera NAME] [--format yuy2|nv12|gray8] [--size WxH]...\n"
          "                  [--size-range WxH-WxH] [--rates 30,15] [--low-light]\n"
          "                  [--jitter MS] [--path /dev/videoN]\n"
          "                  [--microphone NAME] [--mic-rate HZ] [--mic-channels N]\n");
  return 2;
}

static void quit(void *data, int signal_number) {
  (void)data;
  (void)signal_number;
  pw_main_loop_quit(main_loop);
}

int main(int argc, char *argv[]) {
  struct camera camera = {.format = SPA_VIDEO_FORMAT_YUY2};
  struct microphone mic = {.rate = 48000, .channels = 1};
  for (int i = 1; i < argc; ++i) {
    const char *a = argv[i];
    const char *v = i + 1 < argc ? argv[i + 1] : NULL;
    if (!strcmp(a, "--low-light")) {
      camera.low_light = 1;
      continue;
    }
    if (!v) return usage();
    ++i;
    if (!strcmp(a, "--camera")) {
      camera.name = v;
    } else if (!strcmp(a, "--format")) {
      if (!strcmp(v, "yuy2")) camera.format = SPA_VIDEO_FORMAT_YUY2;
      else if (!strcmp(v, "nv12")) camera.format = SPA_VIDEO_FORMAT_NV12;
      else if (!strcmp(v, "gray8")) camera.format = SPA_VIDEO_FORMAT_GRAY8;  /* infrared */
      else return usage();
    } else if (!strcmp(a, "--size")) {
      unsigned w, h;
      if (camera.n_sizes >= MAX_SIZES || sscanf(v, "%ux%u", &w, &h) != 2) return usage();
      camera.sizes[camera.n_sizes++] = SPA_RECTANGLE(w, h);
    } else if (!strcmp(a, "--size-range")) {
      unsigned w0, h0, w1, h1;
      if (sscanf(v, "%ux%u-%ux%u", &w0, &h0, &w1, &h1) != 4) return usage();
      camera.sizes[0] = SPA_RECTANGLE(w0, h0);
      camera.sizes[1] = SPA_RECTANGLE(w1, h1);
      camera.n_sizes = 2;
      camera.ranged = 1;
    } else if (!strcmp(a, "--rates")) {
      char *copy = strdup(v), *save = NULL;
      for (char *t = strtok_r(copy, ",", &save); t && camera.n_rates < MAX_RATES;
           t = strtok_r(NULL, ",", &save)) {
        unsigned n = 0, d = 1;
        if (sscanf(t, "%u/%u", &n, &d) < 1 || n == 0 || d == 0) return usage();
        camera.rates[camera.n_rates++] = SPA_FRACTION(n, d);
      }
      free(copy);
    } else if (!strcmp(a, "--jitter")) {
      camera.jitter_ms = atoi(v);
    } else if (!strcmp(a, "--path")) {
      camera.path = v;
    } else if (!strcmp(a, "--microphone")) {
      mic.name = v;
    } else if (!strcmp(a, "--mic-rate")) {
      mic.rate = (uint32_t)atoi(v);
    } else if (!strcmp(a, "--mic-channels")) {
      mic.channels = (uint32_t)atoi(v);
    } else {
      return usage();
    }
  }
  if (!camera.name && !mic.name) return usage();
  if (camera.n_sizes == 0) camera.sizes[camera.n_sizes++] = SPA_RECTANGLE(640, 480);
  if (camera.n_rates == 0) {
    camera.rates[0] = SPA_FRACTION(30, 1);
    camera.rates[1] = SPA_FRACTION(15, 1);
    camera.n_rates = 2;
  }
  if (mic.channels < 1 || mic.channels > 2 || mic.rate < 8000) return usage();

  pw_init(&argc, &argv);
  main_loop = pw_main_loop_new(NULL);
  struct pw_loop *loop = pw_main_loop_get_loop(main_loop);
  pw_loop_add_signal(loop, SIGINT, quit, NULL);
  pw_loop_add_signal(loop, SIGTERM, quit, NULL);
  struct pw_context *context = pw_context_new(loop, NULL, 0);
  struct pw_core *core = pw_context_connect(context, NULL, 0);
  int status = 0;
  if (!core) {
    fprintf(stderr, "pwtestnode: cannot connect to PipeWire: %s\n", strerror(errno));
    status = 1;
  } else if ((camera.name && start_camera(core, loop, &camera) < 0) ||
             (mic.name && start_microphone(core, &mic) < 0)) {
    fprintf(stderr, "pwtestnode: cannot create the nodes\n");
    status = 1;
  } else {
    printf("ready\n");
    fflush(stdout);
    pw_main_loop_run(main_loop);
  }
  if (camera.name) {
    printf("camera frames: %llu sent, %llu lost\n", (unsigned long long)camera.sent,
           (unsigned long long)camera.lost);
    fflush(stdout);
  }
  if (camera.stream) pw_stream_destroy(camera.stream);
  if (mic.stream) pw_stream_destroy(mic.stream);
  if (core) pw_core_disconnect(core);
  pw_context_destroy(context);
  pw_main_loop_destroy(main_loop);
  pw_deinit();
  return status;
}
