/* SVG line plots; see svgplot.h. */
#include "svgplot.h"

#include <errno.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kWidth = 860, kHeight = 480, kLeft = 84, kRight = 150, kTop = 46, kBottom = 62 };
enum { kMaxLegend = 8 };

struct SvgPlot {
    char *body; /* the drawing, grown as it is written */
    size_t len, cap;
    int failed; /* an allocation failed: the picture is not saved */
    double xmin, xmax, ymin, ymax;
    char *title, *xlabel, *ylabel;
    struct {
        char color[32];
        char text[96];
    } legend[kMaxLegend];
    int legends;
};

static const double plotW = kWidth - kLeft - kRight, plotH = kHeight - kTop - kBottom;

static void emit(SvgPlot *p, const char *fmt, ...) __attribute__((format(printf, 2, 3)));
static void emit(SvgPlot *p, const char *fmt, ...) {
    if (p->failed) return;
    for (;;) {
        va_list ap;
        va_start(ap, fmt);
        const int need = vsnprintf(p->body + p->len, p->cap - p->len, fmt, ap);
        va_end(ap);
        if (need < 0) {
            p->failed = 1;
            return;
        }
        if ((size_t)need < p->cap - p->len) {
            p->len += (size_t)need;
            return;
        }
        const size_t cap = 2 * p->cap + (size_t)need + 1;
        char *grown = realloc(p->body, cap);
        if (!grown) {
            p->failed = 1;
            return;
        }
        p->body = grown;
        p->cap = cap;
    }
}

/* Text for an XML attribute or element: & < > " escaped, control bytes
   dropped. */
static void emit_text(SvgPlot *p, const char *s) {
    for (; s && *s; ++s) {
        switch (*s) {
        case '&': emit(p, "&amp;"); break;
        case '<': emit(p, "&lt;"); break;
        case '>': emit(p, "&gt;"); break;
        case '"': emit(p, "&quot;"); break;
        default:
            if ((unsigned char)*s >= 0x20) emit(p, "%c", *s);
        }
    }
}

static char *copy(const char *s) {
    const size_t n = strlen(s ? s : "") + 1;
    char *c = malloc(n);
    if (c) memcpy(c, s ? s : "", n);
    return c;
}

static void fix_range(double *lo, double *hi) {
    if (!isfinite(*lo) || !isfinite(*hi)) *lo = 0, *hi = 1;
    if (*hi < *lo) {
        const double t = *lo;
        *lo = *hi, *hi = t;
    }
    if (*hi - *lo <= 1e-12 * fmax(fabs(*lo), fabs(*hi))) {
        const double pad = *lo == 0 ? 1 : 0.5 * fabs(*lo);
        *lo -= pad, *hi += pad;
    }
}

SvgPlot *svg_plot_new(const char *title, const char *xlabel, const char *ylabel, double xmin, double xmax,
                      double ymin, double ymax) {
    SvgPlot *p = calloc(1, sizeof *p);
    if (!p) return NULL;
    fix_range(&xmin, &xmax);
    fix_range(&ymin, &ymax);
    /* A margin of 5 % above and below keeps lines off the frame. */
    const double pad = 0.05 * (ymax - ymin);
    p->xmin = xmin, p->xmax = xmax, p->ymin = ymin - pad, p->ymax = ymax + pad;
    p->title = copy(title), p->xlabel = copy(xlabel), p->ylabel = copy(ylabel);
    p->cap = 4096;
    p->body = malloc(p->cap);
    if (!p->body || !p->title || !p->xlabel || !p->ylabel) {
        svg_plot_free(p);
        return NULL;
    }
    p->body[0] = 0;
    return p;
}

void svg_plot_free(SvgPlot *p) {
    if (!p) return;
    free(p->body);
    free(p->title);
    free(p->xlabel);
    free(p->ylabel);
    free(p);
}

static double px(const SvgPlot *p, double x) { return kLeft + (x - p->xmin) / (p->xmax - p->xmin) * plotW; }
static double py(const SvgPlot *p, double y) { return kTop + (p->ymax - y) / (p->ymax - p->ymin) * plotH; }

static void add_legend(SvgPlot *p, const char *color, const char *text) {
    if (!text || !*text || p->legends == kMaxLegend) return;
    snprintf(p->legend[p->legends].color, sizeof p->legend[0].color, "%s", color);
    snprintf(p->legend[p->legends].text, sizeof p->legend[0].text, "%s", text);
    ++p->legends;
}

void svg_plot_legend(SvgPlot *p, const char *color, const char *text) {
    if (p) add_legend(p, color, text);
}

void svg_plot_line(SvgPlot *p, const double *x, const double *y, long n, const char *color, const char *legend) {
    if (!p) return;
    add_legend(p, color, legend);
    int open = 0;
    /* Points falling into one pixel column are reduced to the first, the
       minimum, the maximum and the last of them, in the order they come. */
    long i = 0;
    while (i < n) {
        if (!isfinite(x[i]) || !isfinite(y[i])) {
            if (open) emit(p, "\"/>\n");
            open = 0;
            ++i;
            continue;
        }
        const long column = lround(px(p, x[i]) * 2);
        long j = i, lo = i, hi = i;
        while (j + 1 < n && isfinite(x[j + 1]) && isfinite(y[j + 1]) && lround(px(p, x[j + 1]) * 2) == column) {
            ++j;
            if (y[j] < y[lo]) lo = j;
            if (y[j] > y[hi]) hi = j;
        }
        long pick[4] = {i, lo < hi ? lo : hi, lo < hi ? hi : lo, j};
        if (!open) {
            emit(p, "<polyline class=\"data\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.4\" "
                    "stroke-linejoin=\"round\" clip-path=\"url(#area)\" points=\"", color);
            open = 1;
        }
        long last = -1;
        for (int k = 0; k < 4; ++k) {
            if (pick[k] == last) continue;
            last = pick[k];
            emit(p, "%.2f,%.2f ", px(p, x[last]), py(p, y[last]));
        }
        i = j + 1;
    }
    if (open) emit(p, "\"/>\n");
}

void svg_plot_hline(SvgPlot *p, double y, const char *color, const char *label) {
    if (!p || !isfinite(y) || y < p->ymin || y > p->ymax) return;
    emit(p, "<line class=\"reference\" x1=\"%d\" x2=\"%.2f\" y1=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
            "stroke-width=\"1\" stroke-dasharray=\"6 4\"/>\n", kLeft, kLeft + plotW, py(p, y), py(p, y), color);
    if (label) {
        /* Inside the frame, right-aligned above the line: the margin to the
           right belongs to the legend. */
        emit(p, "<text x=\"%.2f\" y=\"%.2f\" fill=\"%s\" font-size=\"11\" text-anchor=\"end\">",
             kLeft + plotW - 4, py(p, y) - 4, color);
        emit_text(p, label);
        emit(p, "</text>\n");
    }
}

void svg_plot_vline(SvgPlot *p, double x, const char *color, const char *label) {
    if (!p || !isfinite(x) || x < p->xmin || x > p->xmax) return;
    emit(p, "<line class=\"cursor\" x1=\"%.2f\" x2=\"%.2f\" y1=\"%d\" y2=\"%.2f\" stroke=\"%s\" "
            "stroke-width=\"1\"/>\n", px(p, x), px(p, x), kTop, kTop + plotH, color);
    if (label) {
        emit(p, "<text x=\"%.2f\" y=\"%d\" fill=\"%s\" font-size=\"11\" text-anchor=\"middle\">", px(p, x), kTop - 4,
             color);
        emit_text(p, label);
        emit(p, "</text>\n");
    }
}

void svg_plot_marker(SvgPlot *p, double x, double y, const char *color, const char *label) {
    if (!p || !isfinite(x) || !isfinite(y) || x < p->xmin || x > p->xmax || y < p->ymin || y > p->ymax) return;
    emit(p, "<circle class=\"marker\" cx=\"%.2f\" cy=\"%.2f\" r=\"3.5\" fill=\"none\" stroke=\"%s\" "
            "stroke-width=\"1.5\"/>\n", px(p, x), py(p, y), color);
    if (label) {
        const int right = px(p, x) > kLeft + plotW - 120;
        emit(p, "<text x=\"%.2f\" y=\"%.2f\" fill=\"%s\" font-size=\"11\" text-anchor=\"%s\">",
             px(p, x) + (right ? -7 : 7), py(p, y) - 6, color, right ? "end" : "start");
        emit_text(p, label);
        emit(p, "</text>\n");
    }
}

double svg_engineering_scale(double magnitude, const char **prefix) {
    static const char *names[] = {"f", "p", "n", "u", "m", "", "k", "M", "G", "T"};
    int e3 = 0;
    if (isfinite(magnitude) && magnitude > 0) e3 = (int)floor(log10(magnitude) / 3);
    if (e3 < -5) e3 = -5;
    if (e3 > 4) e3 = 4;
    if (prefix) *prefix = names[e3 + 5];
    return pow(10.0, -3 * e3);
}

/* Tick step: 1, 2 or 5 times a power of ten, giving 4 to 10 ticks. */
static double tick_step(double range) {
    const double raw = range / 6;
    const double mag = pow(10, floor(log10(raw)));
    const double r = raw / mag;
    return (r < 1.5 ? 1 : r < 3.5 ? 2 : r < 7.5 ? 5 : 10) * mag;
}

/* A tick value printed with no more digits than its step needs. */
static void tick_label(char *buf, size_t size, double v, double step) {
    int decimals = step >= 1 ? 0 : (int)ceil(-log10(step) - 1e-9);
    if (decimals > 9) decimals = 9;
    if (fabs(v) < step * 1e-9) v = 0;
    snprintf(buf, size, "%.*f", decimals, v);
}

static void emit_axes(SvgPlot *p) {
    emit(p, "<rect x=\"%d\" y=\"%d\" width=\"%.0f\" height=\"%.0f\" fill=\"#fcfcfc\" stroke=\"#444\"/>\n", kLeft, kTop,
         plotW, plotH);
    char buf[48];
    const double xs = tick_step(p->xmax - p->xmin);
    for (double v = ceil(p->xmin / xs - 1e-9) * xs; v <= p->xmax + xs * 1e-9; v += xs) {
        const double x = px(p, v);
        emit(p, "<line class=\"grid\" x1=\"%.2f\" x2=\"%.2f\" y1=\"%d\" y2=\"%.2f\" stroke=\"#ddd\"/>\n", x, x, kTop,
             kTop + plotH);
        tick_label(buf, sizeof buf, v, xs);
        emit(p, "<text class=\"tick\" x=\"%.2f\" y=\"%.2f\" font-size=\"12\" text-anchor=\"middle\">%s</text>\n", x,
             kTop + plotH + 18, buf);
    }
    const double ys = tick_step(p->ymax - p->ymin);
    for (double v = ceil(p->ymin / ys - 1e-9) * ys; v <= p->ymax + ys * 1e-9; v += ys) {
        const double y = py(p, v);
        emit(p, "<line class=\"grid\" x1=\"%d\" x2=\"%.2f\" y1=\"%.2f\" y2=\"%.2f\" stroke=\"#ddd\"/>\n", kLeft,
             kLeft + plotW, y, y);
        tick_label(buf, sizeof buf, v, ys);
        emit(p, "<text class=\"tick\" x=\"%d\" y=\"%.2f\" font-size=\"12\" text-anchor=\"end\">%s</text>\n", kLeft - 6,
             y + 4, buf);
    }
    emit(p, "<text class=\"title\" x=\"%.1f\" y=\"24\" font-size=\"15\" font-weight=\"bold\" "
            "text-anchor=\"middle\">", kLeft + plotW / 2);
    emit_text(p, p->title);
    emit(p, "</text>\n<text class=\"xlabel\" x=\"%.1f\" y=\"%d\" font-size=\"13\" text-anchor=\"middle\">",
         kLeft + plotW / 2, kHeight - 16);
    emit_text(p, p->xlabel);
    emit(p, "</text>\n<text class=\"ylabel\" transform=\"translate(18 %.1f) rotate(-90)\" font-size=\"13\" "
            "text-anchor=\"middle\">", kTop + plotH / 2);
    emit_text(p, p->ylabel);
    emit(p, "</text>\n");
    for (int i = 0; i < p->legends; ++i) {
        const double y = kTop + 14 + 18 * i;
        emit(p, "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"/>\n",
             kLeft + plotW + 8, kLeft + plotW + 26, y, y, p->legend[i].color);
        emit(p, "<text class=\"legend\" x=\"%.1f\" y=\"%.1f\" font-size=\"11\">", kLeft + plotW + 30, y + 4);
        emit_text(p, p->legend[i].text);
        emit(p, "</text>\n");
    }
}

int svg_plot_save(SvgPlot *p, const char *path) {
    if (!p) {
        errno = ENOMEM;
        return -1;
    }
    /* The frame goes under the data: write the axes into a second buffer. */
    SvgPlot frame = *p;
    frame.body = malloc(4096);
    frame.len = 0, frame.cap = 4096, frame.failed = !frame.body;
    if (frame.body) frame.body[0] = 0;
    emit_axes(&frame);
    int status = -1;
    if (p->failed || frame.failed) {
        errno = ENOMEM;
    } else {
        FILE *f = fopen(path, "w");
        if (f) {
            fprintf(f, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                       "viewBox=\"0 0 %d %d\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n"
                       "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n"
                       "<defs><clipPath id=\"area\"><rect x=\"%d\" y=\"%d\" width=\"%.0f\" height=\"%.0f\"/>"
                       "</clipPath></defs>\n",
                    kWidth, kHeight, kWidth, kHeight, kLeft, kTop, plotW, plotH);
            fputs(frame.body, f);
            fputs(p->body, f);
            fputs("</svg>\n", f);
            const int bad = ferror(f);
            if (fclose(f) == 0 && !bad) status = 0;
            else if (!errno) errno = EIO;
        }
    }
    free(frame.body);
    svg_plot_free(p);
    return status;
}
