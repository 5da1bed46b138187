#pragma once
// A drawing surface that writes down what it is asked to draw, with the
// font, pen and brush in force at each call.
#include "platform/DrawSurface.h"

#include <QList>
#include <QString>

#include <stdexcept>
#include <vector>

struct TDrawCall {
    QString op;
    QList<int> args;
    QString text;
    TFont font;
    TPen pen;
    TBrush brush;
    bool transparent = false;
};

class TRecordingSurface : public IDrawSurface {
public:
    std::vector<TDrawCall> calls;
    QRect clip{0, 0, 816, 1056};
    int dpi = 96;
    // Makes TextOut (and the picture calls) throw, for the error paths.
    bool failText = false;
    bool failPictures = false;

    std::vector<TDrawCall> callsOf(const QString& op) const {
        std::vector<TDrawCall> out;
        for (const auto& c : calls)
            if (c.op == op) out.push_back(c);
        return out;
    }

    void TextOut(int x, int y, const QString& text) override {
        if (failText) throw std::runtime_error("no text today");
        log("TextOut", {x, y}, text);
    }
    int TextWidth(const QString& text) override { return int(text.size()) * 10; }
    int TextHeight(const QString&) override { return 20; }
    void MoveTo(int x, int y) override {
        pos_ = QPoint(x, y);
        log("MoveTo", {x, y});
    }
    void LineTo(int x, int y) override {
        pos_ = QPoint(x, y);
        log("LineTo", {x, y});
    }
    QPoint PenPos() const override { return pos_; }
    void Rectangle(int a, int b, int c, int d) override { log("Rectangle", {a, b, c, d}); }
    void Ellipse(int a, int b, int c, int d) override { log("Ellipse", {a, b, c, d}); }
    void RoundRect(int a, int b, int c, int d, int e, int f) override {
        log("RoundRect", {a, b, c, d, e, f});
    }
    void Arc(int a, int b, int c, int d, int e, int f, int g, int h) override {
        log("Arc", {a, b, c, d, e, f, g, h});
    }
    void Pie(int a, int b, int c, int d, int e, int f, int g, int h) override {
        log("Pie", {a, b, c, d, e, f, g, h});
    }
    void Chord(int a, int b, int c, int d, int e, int f, int g, int h) override {
        log("Chord", {a, b, c, d, e, f, g, h});
    }
    void FillRect(int a, int b, int c, int d) override { log("FillRect", {a, b, c, d}); }
    void FloodFill(int x, int y, TColor border) override { log("FloodFill", {x, y, int(border)}); }
    void Draw(int x, int y, const QImage& p) override {
        if (failPictures) throw std::runtime_error("no pictures today");
        log("Draw", {x, y, p.width(), p.height()});
    }
    void StretchDraw(int a, int b, int c, int d, const QImage&) override {
        if (failPictures) throw std::runtime_error("no pictures today");
        log("StretchDraw", {a, b, c, d});
    }
    void StretchDIBits(int x, int y, int w, int h, const QImage&, const QRect& src) override {
        log("StretchDIBits", {x, y, w, h, src.width(), src.height()});
    }
    void SetBkMode(bool transparent) override { transparent_ = transparent; }
    bool Transparent() const override { return transparent_; }
    QRect ClipRect() const override { return clip; }
    void SetWindowExt(int w, int h) override { window_ = QSize(w, h); }
    void SetViewportExt(int w, int h) override { viewport_ = QSize(w, h); }
    void SetViewportOrg(int x, int y) override { log("SetViewportOrg", {x, y}); }
    void ScaleViewportExt(int xn, int xd, int yn, int yd) override {
        viewport_ = QSize(viewport_.width() * xn / xd, viewport_.height() * yn / yd);
    }
    QSize WindowExt() const override { return window_; }
    QSize ViewportExt() const override { return viewport_; }
    int GetDeviceCaps(TDeviceCap cap) const override {
        return cap == dcLogPixelsX || cap == dcLogPixelsY ? dpi : 36;
    }
    TFont Font() const override { return font_; }
    void SetFont(const TFont& f) override { font_ = f; }
    TPen Pen() const override { return pen_; }
    void SetPen(const TPen& p) override { pen_ = p; }
    TBrush Brush() const override { return brush_; }
    void SetBrush(const TBrush& b) override { brush_ = b; }

private:
    void log(const char* op, QList<int> args, const QString& text = QString()) {
        calls.push_back(TDrawCall{op, args, text, font_, pen_, brush_, transparent_});
    }
    QPoint pos_;
    bool transparent_ = false;
    QSize window_{1, 1};
    QSize viewport_{1, 1};
    TFont font_;
    TPen pen_;
    TBrush brush_{clWhite, TBrushStyle::Solid};
};
