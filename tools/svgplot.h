/*
 * A small SVG line-plot writer: one picture per file holding one or a few
 * panels, linear axes with 1-2-5 ticks, polylines, reference lines, cursors,
 * shaded windows and a legend. Written for the
 * measurement command and the demo; it depends on nothing but the C library.
 */
#ifndef ORIN_SVGPLOT_H
#define ORIN_SVGPLOT_H

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SvgPlot SvgPlot;

/* Starts a picture of one panel showing the data range [xmin, xmax] x
   [ymin, ymax] (widened a little when a range is empty or not finite). Labels
   name the axes with their units. Returns NULL when memory is short. */
SvgPlot *svg_plot_new(const char *title, const char *xlabel, const char *ylabel, double xmin, double xmax, double ymin,
                      double ymax);

/* Starts a picture of width x height pixels with a title and no panel yet;
   svg_plot_panel adds them. Returns NULL when memory is short. */
SvgPlot *svg_figure_new(const char *title, int width, int height);

/* Adds a panel whose plot area is the rectangle (left, top, width, height) in
   pixels (leave about 84 px to its left and 60 below for the tick labels and
   axis names, 20 above for its title, which may be NULL). Ranges as for
   svg_plot_new. Every drawing call after it goes to this panel; the legend
   stands to the right of the first panel. Returns 0, or -1 when memory is
   short or the picture already has 4 panels. */
int svg_plot_panel(SvgPlot *plot, double left, double top, double width, double height, const char *title,
                   const char *xlabel, const char *ylabel, double xmin, double xmax, double ymin, double ymax);

/* Draws y[i] against x[i] (x ascending); a non-finite point breaks the line.
   Long series are reduced, per half-pixel column, to the first, minimum,
   maximum and last point in the order they come, so the envelope of the
   signal is kept and the line joins the columns where the signal does.
   legend may be NULL. */
void svg_plot_line(SvgPlot *plot, const double *x, const double *y, long n, const char *color, const char *legend);

/* A dashed horizontal line at level y, labelled at the right edge. */
void svg_plot_hline(SvgPlot *plot, double y, const char *color, const char *label);

/* A vertical cursor at x, labelled at the top of the plot area. */
void svg_plot_vline(SvgPlot *plot, double x, const char *color, const char *label);

/* Tints the band between x0 and x1 over the panel's height (at least two
   pixels wide, so a short window on a long record stays visible). */
void svg_plot_span(SvgPlot *plot, double x0, double x1, const char *color);

/* A circle at (x, y) with an optional label beside it. */
void svg_plot_marker(SvgPlot *plot, double x, double y, const char *color, const char *label);

/* Adds a legend entry (a short line of the colour and the text) in the right
   margin; at most 8 entries are shown. */
void svg_plot_legend(SvgPlot *plot, const char *color, const char *text);

/* Writes the picture to path and frees the plot (also on failure). Returns 0,
   or -1 with errno set when the file cannot be written. */
int svg_plot_save(SvgPlot *plot, const char *path);

/* Frees a plot without writing it. */
void svg_plot_free(SvgPlot *plot);

/* The scale and SI prefix that bring magnitude into [1, 1000): e.g. 3e-8
   gives 1e9 and "n". */
double svg_engineering_scale(double magnitude, const char **prefix);

#ifdef __cplusplus
}
#endif

#endif
