#include "examples/demo/animationpage.h"

#include "examples/demo/labels.h"

#include <iterator>
#include <memory>
#include <string>

namespace Kavrin::Demo {

namespace {

using namespace Animation;

constexpr double kPadding = 10.;
constexpr double kColumnWidth = 210.;
constexpr double kStageTop = 70.;
constexpr double kStageHeight = 200.;

const CColor kNoteColor {200, 205, 215};
const CColor kStageColor {34, 37, 46};
const CColor kCardColors[] = {{70, 110, 170}, {255, 176, 64}, {96, 170, 110}, {190, 90, 120}};

// A rounded coloured card with a caption.
class Card : public CView
{
public:
	Card(const CRect& size, CColor color, std::string caption)
	: CView(size), color(color), caption(std::move(caption))
	{
		setMouseEnabled(false);
	}

	void draw(CDrawContext* context) override
	{
		auto path = owned(context->createRoundRectGraphicsPath(getViewSize(), 10.));
		context->setDrawMode(kAntiAliasing);
		context->setFillColor(color);
		if (path)
			context->drawGraphicsPath(path, CDrawContext::kPathFilled);
		context->setFont(kNormalFontBig);
		context->setFontColor(kWhiteCColor);
		context->drawString(caption.c_str(), getViewSize(), kCenterText);
		setDirty(false);
	}

private:
	CColor color;
	std::string caption;
};

// One column: a title, a stage the animated views live in, a note naming
// the timing function, and the button below.
CViewContainer* addStage(CViewContainer& page, int column, const char* title, const char* timing)
{
	const double left = kPadding + column * (kColumnWidth + kPadding);
	page.addView(new Label(CRect(left, kPadding, left + kColumnWidth, kPadding + 20.), title, kNormalFontBig));
	page.addView(new Label(CRect(left, kPadding + 26., left + kColumnWidth, kPadding + 42.), timing,
	                       kNormalFontSmall, kNoteColor));
	auto stage = new CViewContainer(CRect(left, kStageTop, left + kColumnWidth, kStageTop + kStageHeight));
	stage->setBackgroundColor(kStageColor);
	page.addView(stage);
	return stage;
}

CRect buttonRect(int column)
{
	const double left = kPadding + column * (kColumnWidth + kPadding);
	const double top = kStageTop + kStageHeight + 12.;
	return {left, top, left + kColumnWidth, top + 26.};
}

class AnimationPage : public CViewContainer
{
public:
	AnimationPage(const CRect& size, DemoEditor& editor) : CViewContainer(size)
	{
		setBackgroundColor(CColor(28, 30, 38));
		addFade();
		addResize();
		addExchange();
		addGlide(editor);
	}

private:
	void addFade()
	{
		auto stage = addStage(*this, 0, "Fade", "Linear, 400 ms");
		auto card = new Card(CRect(40., 40., 170., 160.), kCardColors[0], "Fade");
		stage->addView(card);
		addView(new ActionButton(buttonRect(0), "Fade out / in", [card] {
			const float target = card->getAlphaValue() > 0.5f ? 0.f : 1.f;
			card->addAnimation("fade", new AlphaValueAnimation(target, true), new LinearTimingFunction(400));
		}));
	}

	void addResize()
	{
		auto stage = addStage(*this, 1, "Resize", "Cubic Bezier, ease in and out, 500 ms");
		auto card = new Card(CRect(20., 20., 90., 90.), kCardColors[1], "Size");
		stage->addView(card);
		addView(new ActionButton(buttonRect(1), "Grow / shrink", [card] {
			const bool small = card->getViewSize().getWidth() < 100.;
			const CRect target = small ? CRect(20., 20., 190., 180.) : CRect(20., 20., 90., 90.);
			card->addAnimation("resize", new ViewSizeAnimation(target, true),
			                   CubicBezierTimingFunction::easyInOut(500));
		}));
	}

	void addExchange()
	{
		auto stage = addStage(*this, 2, "Exchange", "Cubic Bezier, ease out, 450 ms");
		const CRect cardRect(20., 20., 190., 180.);
		current = new Card(cardRect, kCardColors[0], "Card 1");
		stage->addView(current);
		addView(new ActionButton(buttonRect(2), "Next card", [this, stage, cardRect] {
			// The card that arrives waits outside the tree; the exchange adds it.
			static const ExchangeViewAnimation::AnimationStyle styles[] = {
			    ExchangeViewAnimation::kPushInOutFromRight, ExchangeViewAnimation::kAlphaValueFade,
			    ExchangeViewAnimation::kPushInFromBottom, ExchangeViewAnimation::kPushInOutFromLeft};
			if (!current || !current->isAttached() || *exchanging)
				return;
			++cardCount;
			auto next = new Card(cardRect, kCardColors[cardCount % std::size(kCardColors)],
			                     "Card " + std::to_string(cardCount + 1));
			auto exchange = new ExchangeViewAnimation(current, next, styles[cardCount % std::size(styles)]);
			current = next;
			*exchanging = true;
			// The flag is shared: the page may be gone when the animation ends.
			stage->addAnimation("exchange", exchange, CubicBezierTimingFunction::easyOut(450),
			                    [flag = exchanging](CView*, const char*, IAnimationTarget*) { *flag = false; });
		}));
	}

	void addGlide(DemoEditor& editor)
	{
		auto stage = addStage(*this, 3, "Glide", "Power 3, then repeated back and forth");
		auto knob = new CKnob(CRect(45., 40., 165., 160.), nullptr, editor.addParameter("Glide"), nullptr, nullptr,
		                      CPoint(), CKnob::kCoronaDrawing);
		knob->setCoronaColor(CColor(110, 215, 255));
		knob->setCoronaInset(4.);
		knob->setHandleLineWidth(3.);
		stage->addView(knob);
		addView(new ActionButton(buttonRect(3), "Glide", [knob] {
			const float target = knob->getValue() < 0.5f ? 1.f : 0.f;
			knob->addAnimation("glide", new ControlValueAnimation(target, true), new PowerTimingFunction(700, 3.f));
		}));
		CRect wobble = buttonRect(3);
		wobble.offset(0., 34.);
		addView(new ActionButton(wobble, "Wobble", [knob] {
			knob->addAnimation("glide", new ControlValueAnimation(knob->getValue() < 0.5f ? 1.f : 0.f, true),
			                   new RepeatTimingFunction(new LinearTimingFunction(250), 4, true));
		}));
	}

	CView* current {nullptr};
	int cardCount {0};
	std::shared_ptr<bool> exchanging {std::make_shared<bool>(false)};
};

} // namespace

CViewContainer* makeAnimationPage(const CRect& size, DemoEditor& editor)
{
	return new AnimationPage(size, editor);
}

} // namespace Kavrin::Demo
