#include "lib/ccolor.h"

#include "lib/assertion.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace Kavrin {

namespace {

// Wraps a finite hue into [0, 360], keeping 360 as 360 (the last sector)
// as repeated subtraction would.
double wrapHue(double hue)
{
	if (hue > 360.)
	{
		hue = std::fmod(hue, 360.);
		if (hue == 0.)
			hue = 360.;
	}
	else if (hue < 0.)
	{
		hue = std::fmod(hue, 360.) + 360.;
		if (hue == 360.)
			hue = 0.;
	}
	return hue;
}

// Clamps to [0, 1], reports what cannot be a component (not a number) and
// rounds half away from zero.
uint8 toComponent(double value, const char* assertionLine)
{
	value = std::clamp(value, 0., 1.);
	if (!(value >= 0. && value <= 1.))
	{
		doAssert("lib/ccolor", assertionLine);
		value = 0.;
	}
	return static_cast<uint8>(std::round(value * 255.));
}

int hexDigit(char c)
{
	if (c >= '0' && c <= '9')
		return c - '0';
	if (c >= 'a' && c <= 'f')
		return c - 'a' + 10;
	if (c >= 'A' && c <= 'F')
		return c - 'A' + 10;
	return -1;
}

} // namespace

uint8 CColor::getLightness() const
{
	uint8 high = std::max({red, green, blue});
	uint8 low = std::min({red, green, blue});
	return static_cast<uint8>(high / 2 + low / 2);
}

void CColor::toHSL(double& hue, double& saturation, double& lightness) const
{
	double r = red / 255.;
	double g = green / 255.;
	double b = blue / 255.;
	double high = std::max({r, g, b});
	double low = std::min({r, g, b});
	lightness = (high + low) * 0.5;
	double d = high - low;
	if (d == 0.)
	{
		hue = saturation = 0.;
		return;
	}
	if (high == r)
		hue = std::fmod((g - b) / d, 6.);
	else if (high == g)
		hue = (b - r) / d + 2.;
	else
		hue = (r - g) / d + 4.;
	hue *= 60.;
	if (hue < 0.)
		hue += 360.;
	saturation = lightness <= 0.5 ? d / (2. * lightness) : d / (2. - 2. * lightness);
}

void CColor::fromHSL(double hue, double saturation, double lightness)
{
	if (!std::isfinite(hue) || !std::isfinite(saturation) || !std::isfinite(lightness))
		return;
	double h = wrapHue(hue) / 60.;
	double k = (1. - std::fabs(2. * lightness - 1.)) * saturation;
	double x = (1. - std::fabs(std::fmod(h, 2.) - 1.)) * k;
	double r = 0., g = 0., b = 0.;
	if (h < 1.)
		r = k, g = x;
	else if (h < 2.)
		r = x, g = k;
	else if (h < 3.)
		g = k, b = x;
	else if (h < 4.)
		g = x, b = k;
	else if (h < 5.)
		r = x, b = k;
	else
		r = k, b = x;
	double m = lightness - k / 2.;
	red = toComponent(r + m, "196");
	green = toComponent(g + m, "204");
	blue = toComponent(b + m, "212");
}

void CColor::toHSV(double& hue, double& saturation, double& value) const
{
	value = std::max({red, green, blue}) / 255.;
	if (value == 0.)
	{
		hue = saturation = 0.;
		return;
	}
	double r = red / 255. / value;
	double g = green / 255. / value;
	double b = blue / 255. / value;
	double high = std::max({r, g, b});
	double low = std::min({r, g, b});
	saturation = high - low;
	if (saturation == 0.)
	{
		hue = 0.;
		return;
	}
	r = (r - low) / saturation;
	g = (g - low) / saturation;
	b = (b - low) / saturation;
	if (r >= g && r >= b)
		hue = 60. * (g - b);
	else if (g >= b)
		hue = 120. + 60. * (b - r);
	else
		hue = 240. + 60. * (r - g);
	if (hue < 0.)
		hue += 360.;
}

void CColor::fromHSV(double hue, double saturation, double value)
{
	if (!std::isfinite(hue) || !std::isfinite(saturation) || !std::isfinite(value))
		return;
	if (value <= 0.)
	{
		red = green = blue = 0;
		return;
	}
	value = std::min(value, 1.);
	if (saturation <= 0.)
	{
		red = green = blue = static_cast<uint8>(value * 255.);
		return;
	}
	double h = wrapHue(hue) / 60.;
	double i = std::floor(h);
	double f = h - i;
	double s = std::min(saturation, 1.);
	double p = (1. - s) * value;
	double q = (1. - s * f) * value;
	double t = (1. - s * (1. - f)) * value;
	double r, g, b;
	switch (static_cast<int>(i))
	{
		case 1:
			r = q, g = value, b = p;
			break;
		case 2:
			r = p, g = value, b = t;
			break;
		case 3:
			r = p, g = q, b = value;
			break;
		case 4:
			r = t, g = p, b = value;
			break;
		case 5:
			r = value, g = p, b = q;
			break;
		default: // 0 and 6
			r = value, g = t, b = p;
			break;
	}
	red = toComponent(r, "196");
	green = toComponent(g, "204");
	blue = toComponent(b, "212");
}

bool CColor::isColorRepresentation(const char* text)
{
	if (!text || text[0] != '#')
		return false;
	size_t length = 0;
	while (length < 10 && text[length])
		++length;
	return length == 9;
}

bool CColor::fromString(const char* text)
{
	if (!isColorRepresentation(text))
		return false;
	int values[4];
	for (int i = 0; i < 4; ++i)
	{
		int high = hexDigit(text[1 + 2 * i]);
		int low = hexDigit(text[2 + 2 * i]);
		if (high < 0 || low < 0)
			return false;
		values[i] = high * 16 + low;
	}
	red = static_cast<uint8>(values[0]);
	green = static_cast<uint8>(values[1]);
	blue = static_cast<uint8>(values[2]);
	alpha = static_cast<uint8>(values[3]);
	return true;
}

UTF8String CColor::toString() const
{
	char text[10];
	std::snprintf(text, sizeof(text), "#%02x%02x%02x%02x", red, green, blue, alpha);
	return text;
}

} // namespace Kavrin
