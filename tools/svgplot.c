/* SVG line plots; see svgplot.h. */
#include "svgplot.h"

#include <errno.h>
#include <float.h>
#include <math.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum { kWidth = 860, kHeight = 480, kLeft = 84, kRight = 150, kTop = 46, kBottom = 62 };
enum { kMaxLegend = 8, kMaxPanels = 4 };

/* One set of axes: its plot area in pixels and its data ranges. */
typedef struct {
    double left, top, w, h;
    double xmin, xmax, ymin, ymax;
    char *title, *xlabel, *ylabel;
} Panel;

struct SvgPlot {
    char *body; /* the drawing, grown as it is written */
    size_t len, cap;
    int failed; /* an allocation failed: the picture is not saved */
    int width, height;
    char *title;
    Panel panel[kMaxPanels];
    int panels; /* drawing goes to panel[panels - 1] */
    struct {
        char color[32];
        char text[96];
    } legend[kMaxLegend];
    int legends;
};

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

SvgPlot *svg_figure_new(const char *title, int width, int height) {
    SvgPlot *p = calloc(1, sizeof *p);
    if (!p) return NULL;
    p->width = width > 0 ? width : kWidth;
    p->height = height > 0 ? height : kHeight;
    p->title = copy(title);
    p->cap = 4096;
    p->body = malloc(p->cap);
    if (!p->body || !p->title) {
        svg_plot_free(p);
        return NULL;
    }
    p->body[0] = 0;
    return p;
}

int svg_plot_panel(SvgPlot *p, double left, double top, double width, double height, const char *title,
                   const char *xlabel, const char *ylabel, double xmin, double xmax, double ymin, double ymax) {
    if (!p || p->panels == kMaxPanels) return -1;
    Panel *a = &p->panel[p->panels];
    fix_range(&xmin, &xmax);
    fix_range(&ymin, &ymax);
    /* A margin of 5 % above and below keeps lines off the frame (formed so
       that a range wider than the largest double does not overflow). */
    const double pad = 0.05 * ymax - 0.05 * ymin;
    a->left = left, a->top = top, a->w = width, a->h = height;
    a->xmin = xmin, a->xmax = xmax, a->ymin = fmax(ymin - pad, -DBL_MAX), a->ymax = fmin(ymax + pad, DBL_MAX);
    a->title = copy(title), a->xlabel = copy(xlabel), a->ylabel = copy(ylabel);
    ++p->panels;
    if (!a->title || !a->xlabel || !a->ylabel) {
        p->failed = 1;
        return -1;
    }
    return 0;
}

SvgPlot *svg_plot_new(const char *title, const char *xlabel, const char *ylabel, double xmin, double xmax, double ymin,
                      double ymax) {
    SvgPlot *p = svg_figure_new(title, kWidth, kHeight);
    if (p && svg_plot_panel(p, kLeft, kTop, kWidth - kLeft - kRight, kHeight - kTop - kBottom, NULL, xlabel, ylabel,
                            xmin, xmax, ymin, ymax) != 0) {
        svg_plot_free(p);
        return NULL;
    }
    return p;
}

void svg_plot_free(SvgPlot *p) {
    if (!p) return;
    free(p->body);
    free(p->title);
    for (int i = 0; i < p->panels; ++i) {
        free(p->panel[i].title);
        free(p->panel[i].xlabel);
        free(p->panel[i].ylabel);
    }
    free(p);
}

/* Where v falls between lo and hi, 0 to 1; halved first, so that data
   spanning more than the largest double still map. */
static double fraction(double v, double lo, double hi) { return (v / 2 - lo / 2) / (hi / 2 - lo / 2); }

static const Panel *cur(const SvgPlot *p) { return &p->panel[p->panels - 1]; }
static double px(const SvgPlot *p, double x) {
    const Panel *a = cur(p);
    return a->left + fraction(x, a->xmin, a->xmax) * a->w;
}
static double py(const SvgPlot *p, double y) {
    const Panel *a = cur(p);
    return a->top + (1 - fraction(y, a->ymin, a->ymax)) * a->h;
}

static void add_legend(SvgPlot *p, const char *color, const char *text) {
    if (!text || !*text || p->legends == kMaxLegend) return;
    snprintf(p->legend[p->legends].color, sizeof p->legend[0].color, "%s", color);
    snprintf(p->legend[p->legends].text, sizeof p->legend[0].text, "%s", text);
    ++p->legends;
}

void svg_plot_legend(SvgPlot *p, const char *color, const char *text) {
    if (p) add_legend(p, color, text);
}

/* The pixel column of x, in half pixels, bounded so that the rounding stays
   defined for points far outside the panel. */
static long half_column(const SvgPlot *p, double x) { return lround(fmax(-1e9, fmin(1e9, px(p, x) * 2))); }

void svg_plot_line(SvgPlot *p, const double *x, const double *y, long n, const char *color, const char *legend) {
    if (!p || !p->panels) return;
    add_legend(p, color, legend);
    int open = 0;
    /* Points falling into one half-pixel column are reduced to the first, the
       minimum, the maximum and the last of them, in the order they come. */
    long i = 0;
    while (i < n) {
        if (!isfinite(x[i]) || !isfinite(y[i])) {
            if (open) emit(p, "\"/>\n");
            open = 0;
            ++i;
            continue;
        }
        const long column = half_column(p, x[i]);
        long j = i, lo = i, hi = i;
        while (j + 1 < n && isfinite(x[j + 1]) && isfinite(y[j + 1]) && half_column(p, x[j + 1]) == column) {
            ++j;
            if (y[j] < y[lo]) lo = j;
            if (y[j] > y[hi]) hi = j;
        }
        long pick[4] = {i, lo < hi ? lo : hi, lo < hi ? hi : lo, j};
        if (!open) {
            emit(p,
                 "<polyline class=\"data\" fill=\"none\" stroke=\"%s\" stroke-width=\"1.4\" "
                 "stroke-linejoin=\"round\" clip-path=\"url(#area%d)\" points=\"",
                 color, p->panels - 1);
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
    if (!p || !p->panels) return;
    const Panel *a = cur(p);
    if (!isfinite(y) || y < a->ymin || y > a->ymax) return;
    emit(p,
         "<line class=\"reference\" x1=\"%.2f\" x2=\"%.2f\" y1=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
         "stroke-width=\"1\" stroke-dasharray=\"6 4\"/>\n",
         a->left, a->left + a->w, py(p, y), py(p, y), color);
    if (label) {
        /* Inside the frame, right-aligned above the line: the margin to the
           right belongs to the legend. */
        emit(p, "<text x=\"%.2f\" y=\"%.2f\" fill=\"%s\" font-size=\"11\" text-anchor=\"end\">", a->left + a->w - 4,
             py(p, y) - 4, color);
        emit_text(p, label);
        emit(p, "</text>\n");
    }
}

void svg_plot_vline(SvgPlot *p, double x, const char *color, const char *label) {
    if (!p || !p->panels) return;
    const Panel *a = cur(p);
    if (!isfinite(x) || x < a->xmin || x > a->xmax) return;
    emit(p,
         "<line class=\"cursor\" x1=\"%.2f\" x2=\"%.2f\" y1=\"%.2f\" y2=\"%.2f\" stroke=\"%s\" "
         "stroke-width=\"1\"/>\n",
         px(p, x), px(p, x), a->top, a->top + a->h, color);
    if (label) {
        emit(p, "<text x=\"%.2f\" y=\"%.2f\" fill=\"%s\" font-size=\"11\" text-anchor=\"middle\">", px(p, x),
             a->top - 4, color);
        emit_text(p, label);
        emit(p, "</text>\n");
    }
}

void svg_plot_span(SvgPlot *p, double x0, double x1, const char *color) {
    if (!p || !p->panels) return;
    const Panel *a = cur(p);
    if (!isfinite(x0) || !isfinite(x1) || x1 < a->xmin || x0 > a->xmax) return;
    /* At least two pixels wide, so a window on a long record stays visible. */
    double l = px(p, fmax(x0, a->xmin)), r = px(p, fmin(x1, a->xmax));
    if (r - l < 2) l = fmax(a->left, (l + r) / 2 - 1), r = fmin(a->left + a->w, l + 2);
    emit(p,
         "<rect class=\"window\" x=\"%.2f\" y=\"%.2f\" width=\"%.2f\" height=\"%.2f\" fill=\"%s\" "
         "fill-opacity=\"0.18\"/>\n",
         l, a->top, r - l, a->h, color);
}

void svg_plot_marker(SvgPlot *p, double x, double y, const char *color, const char *label) {
    if (!p || !p->panels) return;
    const Panel *a = cur(p);
    if (!isfinite(x) || !isfinite(y) || x < a->xmin || x > a->xmax || y < a->ymin || y > a->ymax) return;
    emit(p,
         "<circle class=\"marker\" cx=\"%.2f\" cy=\"%.2f\" r=\"3.5\" fill=\"none\" stroke=\"%s\" "
         "stroke-width=\"1.5\"/>\n",
         px(p, x), py(p, y), color);
    if (label) {
        const int right = px(p, x) > a->left + a->w - 120;
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
static double tick_step(double lo, double hi) {
    const double range = hi - lo;
    const double raw = isfinite(range) ? range / 6 : hi / 6 - lo / 6;
    const double mag = pow(10, floor(log10(raw)));
    const double r = raw / mag;
    return (r < 1.5 ? 1 : r < 3.5 ? 2 : r < 7.5 ? 5 : 10) * mag;
}

/* A tick value printed with no more digits than its step needs. */
static void tick_label(char *buf, size_t size, double v, double step) {
    int decimals = step >= 1 ? 0 : (int)ceil(-log10(step) - 1e-9);
    if (decimals > 9) decimals = 9;
    if (fabs(v) < step * 1e-9) v = 0;
    if (fabs(v) >= 1e12) snprintf(buf, size, "%.6g", v); /* no wall of digits */
    else snprintf(buf, size, "%.*f", decimals, v);
}

static void emit_panel(SvgPlot *f, const SvgPlot *p, const Panel *a) {
    emit(f,
         "<rect class=\"panel\" x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\" fill=\"#fcfcfc\" "
         "stroke=\"#444\"/>\n",
         a->left, a->top, a->w, a->h);
    char buf[48];
    const double xs = tick_step(a->xmin, a->xmax);
    for (double v = ceil(a->xmin / xs - 1e-9) * xs; v <= a->xmax + xs * 1e-9; v += xs) {
        const double x = a->left + fraction(v, a->xmin, a->xmax) * a->w;
        emit(f, "<line class=\"grid\" x1=\"%.2f\" x2=\"%.2f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"#ddd\"/>\n", x, x,
             a->top, a->top + a->h);
        tick_label(buf, sizeof buf, v, xs);
        emit(f, "<text class=\"tick\" x=\"%.2f\" y=\"%.1f\" font-size=\"12\" text-anchor=\"middle\">%s</text>\n", x,
             a->top + a->h + 18, buf);
    }
    const double ys = tick_step(a->ymin, a->ymax);
    for (double v = ceil(a->ymin / ys - 1e-9) * ys; v <= a->ymax + ys * 1e-9; v += ys) {
        const double y = a->top + (1 - fraction(v, a->ymin, a->ymax)) * a->h;
        emit(f, "<line class=\"grid\" x1=\"%.1f\" x2=\"%.1f\" y1=\"%.2f\" y2=\"%.2f\" stroke=\"#ddd\"/>\n", a->left,
             a->left + a->w, y, y);
        tick_label(buf, sizeof buf, v, ys);
        emit(f, "<text class=\"tick\" x=\"%.1f\" y=\"%.2f\" font-size=\"12\" text-anchor=\"end\">%s</text>\n",
             a->left - 6, y + 4, buf);
    }
    if (a->title && *a->title) {
        emit(f, "<text class=\"subtitle\" x=\"%.1f\" y=\"%.1f\" font-size=\"12\" font-weight=\"bold\">", a->left,
             a->top - 7);
        emit_text(f, a->title);
        emit(f, "</text>\n");
    }
    emit(f, "<text class=\"xlabel\" x=\"%.1f\" y=\"%.1f\" font-size=\"13\" text-anchor=\"middle\">", a->left + a->w / 2,
         a->top + a->h + 42);
    emit_text(f, a->xlabel);
    emit(f,
         "</text>\n<text class=\"ylabel\" transform=\"translate(%.1f %.1f) rotate(-90)\" font-size=\"13\" "
         "text-anchor=\"middle\">",
         a->left - 66, a->top + a->h / 2);
    emit_text(f, a->ylabel);
    emit(f, "</text>\n");
    (void)p;
}

static void emit_axes(SvgPlot *f, const SvgPlot *p) {
    for (int i = 0; i < p->panels; ++i) emit_panel(f, p, &p->panel[i]);
    emit(f,
         "<text class=\"title\" x=\"%.1f\" y=\"24\" font-size=\"15\" font-weight=\"bold\" "
         "text-anchor=\"middle\">",
         p->panels ? p->panel[0].left + p->panel[0].w / 2 : p->width / 2.0);
    emit_text(f, p->title);
    emit(f, "</text>\n");
    /* The legend stands to the right of the first panel. */
    const double lx = p->panels ? p->panel[0].left + p->panel[0].w : kWidth - kRight;
    const double ly = p->panels ? p->panel[0].top : kTop;
    for (int i = 0; i < p->legends; ++i) {
        const double y = ly + 14 + 18 * i;
        emit(f, "<line x1=\"%.1f\" x2=\"%.1f\" y1=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" stroke-width=\"2\"/>\n", lx + 8,
             lx + 26, y, y, p->legend[i].color);
        emit(f, "<text class=\"legend\" x=\"%.1f\" y=\"%.1f\" font-size=\"11\">", lx + 30, y + 4);
        emit_text(f, p->legend[i].text);
        emit(f, "</text>\n");
    }
}

int svg_plot_save(SvgPlot *p, const char *path) {
    if (!p) {
        errno = ENOMEM;
        return -1;
    }
    /* The frames go under the data: the axes are written into a second buffer. */
    SvgPlot frame;
    memset(&frame, 0, sizeof frame);
    frame.body = malloc(4096);
    frame.cap = 4096, frame.failed = !frame.body;
    if (frame.body) frame.body[0] = 0;
    emit_axes(&frame, p);
    for (int i = 0; i < p->panels; ++i) {
        const Panel *a = &p->panel[i];
        emit(&frame,
             "<clipPath id=\"area%d\"><rect x=\"%.1f\" y=\"%.1f\" width=\"%.1f\" height=\"%.1f\"/></clipPath>\n", i,
             a->left, a->top, a->w, a->h);
    }
    int status = -1;
    if (p->failed || frame.failed) {
        errno = ENOMEM;
    } else {
        FILE *f = fopen(path, "w");
        if (f) {
            fprintf(f,
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                    "viewBox=\"0 0 %d %d\" font-family=\"DejaVu Sans, Helvetica, Arial, sans-serif\">\n"
                    "<rect width=\"100%%\" height=\"100%%\" fill=\"white\"/>\n",
                    p->width, p->height, p->width, p->height);
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
