/* startup_probe: starts one command and times, from the X server's own reports, when its
 * top-level window becomes visible and when the command first draws into it; then reads the
 * command's memory and ends it.
 *
 *   startup_probe [--timeout-ms N] [--log FILE] -- command [args...]
 *
 * Prints one line of key=value pairs, times in ms since just before the command was spawned:
 *   map=    the MapNotify of the frame the window manager put the window in (of the window
 *           itself when nothing framed it). Openbox maps the window, then its frame, under one
 *           server grab, so this is when the window became viewable;
 *   expose= the server's first Expose on the window (-1 when the window was mapped before the
 *           probe could ask for Expose events: a busy machine);
 *   paint=  the first drawing request of the command into that window (ShmPutImage, PutImage,
 *           CopyArea, ...), seen through the RECORD extension as the server dispatches it. A
 *           DAMAGE report would not do: a window manager that moves a window (the program
 *           centres its window once the frame is known) damages it with a copy of contents
 *           the program has not drawn yet;
 *   rss=, pss= KiB, from /proc/PID/smaps_rollup, read as soon as that paint is seen;
 *   cpu=, wait= the command's CPU time and its time waiting for a CPU until then (ms, summed
 *           over its threads from /proc/PID/task/N/schedstat).
 * The command's output goes to FILE (default /dev/null). Exit status 0 on success, 2 on
 * time-out or any failure (reason on stderr). STARTUP_PROBE_DEBUG=1 lists what is seen.
 *
 * Times are CLOCK_MONOTONIC taken when poll() wakes on one of the two X connections; the X
 * server flushes events and recorded requests at the end of each of its dispatch rounds, so a
 * time carries only that and this process's wake-up latency, well under a millisecond.
 */
#define _GNU_SOURCE
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <xcb/record.h>
#include <xcb/xcb.h>
#include <xcb/xcbext.h>

extern char** environ;

enum { MAX_WINDOWS = 256, MAX_DRAWABLES = 1024 };

/* Categories of RECORD's replies, from the extension's protocol (xcb names none of them). */
enum { RECORD_FROM_CLIENT = 1, RECORD_START_OF_DATA = 4 };

/* Every window created as a child of the root while the command starts: the command's own
 * (Qt makes a few hidden helper windows besides the real one) and the window manager's frames. */
struct window {
    xcb_window_t id;
    xcb_window_t frame; /* set once the window manager reparented this window into a frame */
    double mapped;      /* own MapNotify as a child of the root, when nothing framed it */
    double frame_mapped;
    double exposed;
    /* Whether our Expose selection was in force before the window was mapped: asked with a
     * GetWindowAttributes sent right after it, which the server answers in order. */
    xcb_get_window_attributes_cookie_t state;
    enum { WATCH_ASKED, WATCH_IN_TIME, WATCH_LATE } watch;
};

/* The first drawing request into each drawable, from the recording connection. Kept apart from
 * the windows: the two connections' reports may arrive in either order. */
struct drawn {
    uint32_t drawable;
    double at;
};

static struct window windows[MAX_WINDOWS];
static int window_count;
static struct drawn drawn[MAX_DRAWABLES];
static int drawn_count;
static xcb_window_t root;
static uint8_t shm_opcode; /* 0: no MIT-SHM */
static int debug;
static double start;

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec * 1e3 + (double)ts.tv_nsec / 1e6;
}

static struct window* find_window(xcb_window_t id) {
    for (int i = 0; i < window_count; ++i)
        if (windows[i].id == id)
            return &windows[i];
    return NULL;
}

static struct window* frame_owner(xcb_window_t frame) {
    for (int i = 0; i < window_count; ++i)
        if (windows[i].frame == frame)
            return &windows[i];
    return NULL;
}

static double first_drawn(uint32_t drawable) {
    for (int i = 0; i < drawn_count; ++i)
        if (drawn[i].drawable == drawable)
            return drawn[i].at;
    return 0;
}

static double viewable_at(const struct window* w) {
    return w->frame != XCB_NONE ? w->frame_mapped : w->mapped;
}

static void track(xcb_connection_t* c, xcb_window_t id) {
    if (window_count == MAX_WINDOWS || find_window(id))
        return;
    struct window* w = &windows[window_count++];
    memset(w, 0, sizeof *w);
    w->id = id;
    /* No waiting for the answer: it is collected later. A window that is gone already answers
     * with errors, which are ignored. */
    const uint32_t mask = XCB_EVENT_MASK_EXPOSURE;
    xcb_change_window_attributes(c, id, XCB_CW_EVENT_MASK, &mask);
    w->state = xcb_get_window_attributes(c, id);
    w->watch = WATCH_ASKED;
}

static void collect_states(xcb_connection_t* c) {
    for (int i = 0; i < window_count; ++i) {
        struct window* w = &windows[i];
        if (w->watch != WATCH_ASKED)
            continue;
        void* reply = NULL;
        xcb_generic_error_t* error = NULL;
        if (!xcb_poll_for_reply(c, w->state.sequence, &reply, &error))
            continue; /* not in yet */
        const xcb_get_window_attributes_reply_t* a = reply;
        w->watch = a && a->map_state == XCB_MAP_STATE_UNMAPPED ? WATCH_IN_TIME : WATCH_LATE;
        free(reply);
        free(error);
    }
}

static void handle_event(xcb_connection_t* c, const xcb_generic_event_t* ev, double t) {
    const uint8_t type = ev->response_type & 0x7f;
    if (debug) {
        const uint32_t* words = (const uint32_t*)ev;
        fprintf(stderr, "%8.3f event %u 0x%08x 0x%08x\n", t - start, type, words[1], words[2]);
    }
    if (type == XCB_CREATE_NOTIFY) {
        const xcb_create_notify_event_t* e = (const xcb_create_notify_event_t*)ev;
        if (e->parent == root && !e->override_redirect)
            track(c, e->window);
    } else if (type == XCB_REPARENT_NOTIFY) {
        const xcb_reparent_notify_event_t* e = (const xcb_reparent_notify_event_t*)ev;
        struct window* w = find_window(e->window);
        if (w && e->event == root && e->parent != root)
            w->frame = e->parent;
    } else if (type == XCB_MAP_NOTIFY) {
        const xcb_map_notify_event_t* e = (const xcb_map_notify_event_t*)ev;
        if (e->event != root)
            return;
        struct window* owner = frame_owner(e->window);
        struct window* w = find_window(e->window);
        if (owner && owner->frame_mapped == 0)
            owner->frame_mapped = t;
        else if (w && w->mapped == 0)
            w->mapped = t;
    } else if (type == XCB_EXPOSE) {
        struct window* w = find_window(((const xcb_expose_event_t*)ev)->window);
        if (w && w->exposed == 0)
            w->exposed = t;
    }
}

static uint32_t read32(const uint8_t* p) {
    uint32_t v;
    memcpy(&v, p, sizeof v);
    return v;
}

/* Walks the requests in one block of recorded data and notes each drawable's first drawing. */
static void note_drawing(const uint8_t* data, size_t size, double t) {
    size_t at = 0;
    while (at + 4 <= size) {
        const uint8_t* req = data + at;
        size_t words = (size_t)req[2] | (size_t)req[3] << 8;
        size_t header = 0; /* a BIG-REQUESTS length adds a word before the body */
        if (words == 0) {
            if (at + 8 > size)
                break;
            words = read32(req + 4);
            header = 4;
        }
        const size_t length = words * 4;
        if (length < 8 + header || at + length > size)
            break;
        /* CopyArea and CopyPlane name their destination second; every other drawing request,
         * core or ShmPutImage, names its drawable first. */
        const int second = req[0] == XCB_COPY_AREA || req[0] == XCB_COPY_PLANE;
        if (second && length < 12 + header)
            break;
        const uint32_t drawable = read32(req + header + (second ? 8 : 4));
        if (debug)
            fprintf(stderr, "%8.3f draw %u.%u into 0x%08x\n", t - start, req[0], req[1], drawable);
        if (first_drawn(drawable) == 0 && drawn_count < MAX_DRAWABLES)
            drawn[drawn_count++] = (struct drawn){drawable, t};
        at += length;
    }
}

static void handle_recorded(xcb_record_enable_context_reply_t* r, double t) {
    if (r->category == RECORD_FROM_CLIENT && !r->client_swapped)
        note_drawing(xcb_record_enable_context_data(r),
                     (size_t)xcb_record_enable_context_data_length(r), t);
}

/* Asks the server to report, on `rc`, the drawing requests of every client that connects from
 * now on: core CopyArea to PutImage, and MIT-SHM's ShmPutImage. Returns once it reports. */
static const char* start_recording(xcb_connection_t* c, xcb_connection_t* rc,
                                   xcb_record_enable_context_cookie_t* cookie) {
    const xcb_query_extension_reply_t* record = xcb_get_extension_data(c, &xcb_record_id);
    if (!record || !record->present)
        return "the X server has no RECORD extension";
    free(xcb_record_query_version_reply(c, xcb_record_query_version(c, 1, 13), NULL));
    xcb_query_extension_reply_t* shm =
        xcb_query_extension_reply(c, xcb_query_extension(c, 7, "MIT-SHM"), NULL);
    shm_opcode = shm && shm->present ? shm->major_opcode : 0;
    free(shm);

    xcb_record_range_t range;
    memset(&range, 0, sizeof range);
    range.core_requests.first = XCB_COPY_AREA;
    range.core_requests.last = XCB_PUT_IMAGE;
    if (shm_opcode) {
        range.ext_requests.major.first = range.ext_requests.major.last = shm_opcode;
        range.ext_requests.minor.first = range.ext_requests.minor.last = 3; /* ShmPutImage */
    }
    const xcb_record_client_spec_t clients = XCB_RECORD_CS_FUTURE_CLIENTS;
    const xcb_record_context_t context = xcb_generate_id(c);
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_record_create_context_checked(c, context, 0, 1, 1, &clients, &range));
    if (error) {
        free(error);
        return "cannot create a RECORD context";
    }
    *cookie = xcb_record_enable_context(rc, context);
    xcb_record_enable_context_reply_t* first = xcb_record_enable_context_reply(rc, *cookie, NULL);
    const int started = first && first->category == RECORD_START_OF_DATA;
    free(first);
    return started ? NULL : "RECORD did not start";
}

static int read_memory(pid_t pid, long* rss_kib, long* pss_kib) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/smaps_rollup", (int)pid);
    FILE* f = fopen(path, "re");
    if (!f)
        return -1;
    char line[256];
    *rss_kib = *pss_kib = -1;
    while (fgets(line, sizeof line, f)) {
        long value;
        if (sscanf(line, "Rss: %ld kB", &value) == 1)
            *rss_kib = value;
        else if (sscanf(line, "Pss: %ld kB", &value) == 1)
            *pss_kib = value;
    }
    fclose(f);
    return *rss_kib >= 0 && *pss_kib >= 0 ? 0 : -1;
}

/* CPU time and time spent waiting for a CPU, summed over the process's threads, in ms. The
 * wait tells how much of a slow run was the machine being busy rather than the program. */
static int read_cpu(pid_t pid, double* cpu_ms, double* wait_ms) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/task", (int)pid);
    DIR* tasks = opendir(path);
    if (!tasks)
        return -1;
    unsigned long long cpu = 0, wait = 0;
    struct dirent* task;
    while ((task = readdir(tasks))) {
        if (task->d_name[0] == '.')
            continue;
        char stat_path[64 + sizeof task->d_name + 16];
        snprintf(stat_path, sizeof stat_path, "%s/%s/schedstat", path, task->d_name);
        FILE* f = fopen(stat_path, "re");
        unsigned long long on_cpu, waiting;
        if (f && fscanf(f, "%llu %llu", &on_cpu, &waiting) == 2) {
            cpu += on_cpu;
            wait += waiting;
        }
        if (f)
            fclose(f);
    }
    closedir(tasks);
    *cpu_ms = (double)cpu / 1e6;
    *wait_ms = (double)wait / 1e6;
    return 0;
}

static long window_pid(xcb_connection_t* c, xcb_window_t w) {
    xcb_intern_atom_reply_t* atom =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, 11, "_NET_WM_PID"), NULL);
    if (!atom)
        return -1;
    long pid = -1;
    xcb_get_property_reply_t* prop = xcb_get_property_reply(
        c, xcb_get_property(c, 0, w, atom->atom, XCB_ATOM_CARDINAL, 0, 1), NULL);
    if (prop && xcb_get_property_value_length(prop) == 4)
        pid = *(uint32_t*)xcb_get_property_value(prop);
    free(prop);
    free(atom);
    return pid;
}

static void end_process(pid_t pid) {
    /* The command runs in its own process group, so helpers it started go with it. */
    kill(-pid, SIGTERM);
    for (int i = 0; i < 3000; ++i) {
        if (waitpid(pid, NULL, WNOHANG) == pid)
            return;
        usleep(1000);
    }
    kill(-pid, SIGKILL);
    waitpid(pid, NULL, 0);
}

/* Waits until the window manager has destroyed the frame, so the next run starts clean. */
static void wait_frame_gone(xcb_connection_t* c, xcb_window_t frame) {
    const int fd = xcb_get_file_descriptor(c);
    const double until = now_ms() + 3000;
    while (frame != XCB_NONE && now_ms() < until) {
        struct pollfd p = {fd, POLLIN, 0};
        poll(&p, 1, 50);
        xcb_generic_event_t* ev;
        while ((ev = xcb_poll_for_event(c))) {
            if ((ev->response_type & 0x7f) == XCB_DESTROY_NOTIFY &&
                ((xcb_destroy_notify_event_t*)ev)->window == frame)
                frame = XCB_NONE;
            free(ev);
        }
    }
}

static pid_t spawn(char** command, const char* log) {
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    posix_spawnattr_setpgroup(&attr, 0);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
    /* The command's own output goes to the log, away from the result line. */
    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, STDOUT_FILENO, log, O_WRONLY | O_CREAT | O_APPEND,
                                     0644);
    posix_spawn_file_actions_adddup2(&files, STDOUT_FILENO, STDERR_FILENO);
    pid_t pid;
    const int err = posix_spawnp(&pid, command[0], &files, &attr, command, environ);
    posix_spawn_file_actions_destroy(&files);
    posix_spawnattr_destroy(&attr);
    if (err != 0) {
        fprintf(stderr, "startup_probe: cannot start %s: %s\n", command[0], strerror(err));
        return -1;
    }
    return pid;
}

/* Watching the command must not wait behind it for the CPU. The probe's own share is tiny, and
 * the command keeps the priority it was started with. Not being allowed to (no root) costs
 * only some precision on a busy machine. */
static void raise_own_priority(void) {
    const int policy = sched_getscheduler(0);
    if (policy == SCHED_RR || policy == SCHED_FIFO) {
        struct sched_param param;
        sched_getparam(0, &param);
        param.sched_priority += 1;
        sched_setscheduler(0, policy, &param);
    } else {
        errno = 0;
        const int niceness = getpriority(PRIO_PROCESS, 0);
        if (errno == 0)
            setpriority(PRIO_PROCESS, 0, niceness - 5 < -20 ? -20 : niceness - 5);
    }
}

/* The command's top-level window once it is on screen and drawn into: a window that was
 * created as a child of the root, then mapped (framed or not), and drawn into. */
static struct window* painted_window(void) {
    for (int i = 0; i < window_count; ++i) {
        struct window* w = &windows[i];
        if (frame_owner(w->id) == NULL && viewable_at(w) != 0 && first_drawn(w->id) != 0)
            return w;
    }
    return NULL;
}

int main(int argc, char** argv) {
    int timeout_ms = 30000;
    const char* log = "/dev/null";
    int argi = 1;
    for (; argi < argc; ++argi) {
        if (strcmp(argv[argi], "--timeout-ms") == 0 && argi + 1 < argc)
            timeout_ms = atoi(argv[++argi]);
        else if (strcmp(argv[argi], "--log") == 0 && argi + 1 < argc)
            log = argv[++argi];
        else if (strcmp(argv[argi], "--") == 0) {
            ++argi;
            break;
        } else
            break;
    }
    if (argi >= argc) {
        fprintf(stderr, "usage: %s [--timeout-ms N] [--log FILE] -- command [args...]\n", argv[0]);
        return 64;
    }
    char** command = argv + argi;
    debug = getenv("STARTUP_PROBE_DEBUG") != NULL;

    /* Two connections: one for events and requests, one that only carries recorded data. */
    xcb_connection_t* c = xcb_connect(NULL, NULL);
    xcb_connection_t* rc = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(c) || xcb_connection_has_error(rc)) {
        fprintf(stderr, "startup_probe: cannot open the display\n");
        return 2;
    }
    root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const uint32_t root_mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &root_mask);
    xcb_record_enable_context_cookie_t recording;
    const char* problem = start_recording(c, rc, &recording);
    if (problem) {
        fprintf(stderr, "startup_probe: %s\n", problem);
        return 2;
    }
    /* Round trip: the root selection is in force before the command can create anything. */
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), NULL));
    const int fd = xcb_get_file_descriptor(c);
    const int rfd = xcb_get_file_descriptor(rc);
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    fcntl(rfd, F_SETFD, FD_CLOEXEC);

    start = now_ms();
    pid_t pid = spawn(command, log);
    if (pid < 0)
        return 2;
    raise_own_priority();

    struct window* client = NULL;
    const char* failure = NULL;
    while (!failure && !client) {
        /* Replies read in collect_states() may have brought events along, which then wait in
         * the queue: take those at once, stamped microseconds late, rather than block. */
        xcb_generic_event_t* ev = xcb_poll_for_queued_event(c);
        if (!ev) {
            const double waited = now_ms() - start;
            if (waited > timeout_ms) {
                failure = "no paint before the time-out";
                break;
            }
            struct pollfd p[2] = {{fd, POLLIN, 0}, {rfd, POLLIN, 0}};
            if (poll(p, 2, timeout_ms - (int)waited + 1) < 0 && errno != EINTR) {
                failure = "poll failed";
                break;
            }
        }
        const double t = now_ms();
        for (ev = ev ? ev : xcb_poll_for_event(c); ev; ev = xcb_poll_for_event(c)) {
            handle_event(c, ev, t);
            free(ev);
        }
        void* reply;
        xcb_generic_error_t* error = NULL;
        while (xcb_poll_for_reply(rc, recording.sequence, &reply, &error) && reply) {
            handle_recorded(reply, t);
            free(reply);
        }
        free(error);
        xcb_flush(c);
        collect_states(c);
        if (xcb_connection_has_error(c) || xcb_connection_has_error(rc)) {
            failure = "lost the X connection";
            break;
        }
        client = painted_window();
        if (!client && waitpid(pid, NULL, WNOHANG) == pid) {
            failure = "the command exited before it painted";
            pid = 0;
        }
    }

    long rss = -1, pss = -1;
    double cpu = -1, wait = -1;
    if (client) {
        /* The window may belong to a child of the command (a wrapper script): its _NET_WM_PID
         * says whose memory to read. */
        long owner = window_pid(c, client->id);
        if (owner <= 0)
            owner = pid;
        if (read_memory((pid_t)owner, &rss, &pss) != 0)
            failure = "cannot read /proc/PID/smaps_rollup";
        else
            read_cpu((pid_t)owner, &cpu, &wait);
    }
    if (debug && client) {
        /* What the command does on the screen after its first paint, for half a second. */
        const double until = now_ms() + 500;
        while (now_ms() < until) {
            struct pollfd p[2] = {{fd, POLLIN, 0}, {rfd, POLLIN, 0}};
            poll(p, 2, 20);
            const double t = now_ms();
            xcb_generic_event_t* ev;
            while ((ev = xcb_poll_for_event(c))) {
                handle_event(c, ev, t);
                free(ev);
            }
            void* reply;
            while (xcb_poll_for_reply(rc, recording.sequence, &reply, NULL) && reply) {
                handle_recorded(reply, t);
                free(reply);
            }
        }
    }
    if (pid > 0)
        end_process(pid);
    xcb_disconnect(rc);
    for (int i = 0; i < window_count; ++i)
        if (windows[i].frame != XCB_NONE)
            wait_frame_gone(c, windows[i].frame);
    xcb_disconnect(c);

    if (failure) {
        fprintf(stderr, "startup_probe: %s: %s\n", command[0], failure);
        return 2;
    }
    const double expose =
        client->exposed != 0 && client->watch == WATCH_IN_TIME ? client->exposed - start : -1.0;
    printf("map=%.3f expose=%.3f paint=%.3f rss=%ld pss=%ld cpu=%.3f wait=%.3f\n",
           viewable_at(client) - start, expose, first_drawn(client->id) - start, rss, pss, cpu,
           wait);
    return 0;
}
