// The other program of the drag tests: a frame of 300 x 200 in a top-level
// window of its own at the position given (dndpeer X Y), on $DISPLAY. The
// left half of the frame takes drops, answering Move for file paths and
// Copy for anything else; the right half takes none. One line goes to the
// output for each call its drop target hears:
//   enter X,Y KIND    (KIND: the first item's type while the drag moves)
//   move X,Y
//   leave X,Y
//   drop X,Y ITEM...  (ITEM: text:BYTES, file:PATH or binary:BYTES, with
//                      spaces, '%' and unprintable bytes as %XX)
// with positions in the frame's coordinates. "ready" comes first, once the
// window is up; the program ends when its input closes.

#include "lib/cframe.h"
#include "lib/cview.h"
#include "lib/dragging.h"
#include "lib/idatapackage.h"
#include "lib/platform/platform.h"
#include "lib/platform/x11/x11platform.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

using namespace Kavrin;

namespace {

const char* kindName(IDataPackage::Type type)
{
	switch (type)
	{
		case IDataPackage::kText:
			return "text";
		case IDataPackage::kFilePath:
			return "file";
		case IDataPackage::kBinary:
			return "binary";
		default:
			return "none";
	}
}

std::string escaped(const char* bytes, uint32 size)
{
	std::string text;
	for (uint32 index = 0; index < size; ++index)
	{
		const unsigned char byte = static_cast<unsigned char>(bytes[index]);
		if (byte > ' ' && byte < 0x7F && byte != '%')
			text += char(byte);
		else
		{
			char code[4];
			std::snprintf(code, sizeof(code), "%%%02X", byte);
			text += code;
		}
	}
	return text;
}

std::string describeItems(IDataPackage* package)
{
	std::string items;
	for (uint32 index = 0; package && index < package->getCount(); ++index)
	{
		const void* bytes = nullptr;
		IDataPackage::Type type = IDataPackage::kError;
		uint32 size = package->getData(index, bytes, type);
		// A path's terminator is no part of it.
		if (type == IDataPackage::kFilePath && size > 0 && static_cast<const char*>(bytes)[size - 1] == 0)
			--size;
		items += std::string(" ") + kindName(type) + ":" + escaped(static_cast<const char*>(bytes), size);
	}
	return items;
}

class PrintingDropTarget : public IDropTarget, public NonAtomicReferenceCounted
{
public:
	DragOperation onDragEnter(DragEventData data) override
	{
		const IDataPackage::Type kind = data.drag ? data.drag->getDataType(0) : IDataPackage::kError;
		print("enter", data, std::string(" ") + kindName(kind));
		return answerFor(data);
	}
	DragOperation onDragMove(DragEventData data) override
	{
		print("move", data);
		return answerFor(data);
	}
	void onDragLeave(DragEventData data) override { print("leave", data); }
	bool onDrop(DragEventData data) override
	{
		print("drop", data, describeItems(data.drag));
		return true;
	}

private:
	static DragOperation answerFor(const DragEventData& data)
	{
		return data.drag && data.drag->getDataType(0) == IDataPackage::kFilePath ? DragOperation::Move
		                                                                          : DragOperation::Copy;
	}
	static void print(const char* event, const DragEventData& data, const std::string& rest = {})
	{
		std::printf("%s %g,%g%s\n", event, data.pos.x, data.pos.y, rest.c_str());
		std::fflush(stdout);
	}
};

} // namespace

int main(int argc, char** argv)
{
	const int16 x = int16(argc > 1 ? std::atoi(argv[1]) : 0);
	const int16 y = int16(argc > 2 ? std::atoi(argv[2]) : 0);
	SharedPointer<X11Platform> platform = X11Platform::create();
	if (!platform)
		return 2;
	setPlatform(platform);
	xcb_connection_t* connection = platform->getConnection();
	const xcb_window_t window = xcb_generate_id(connection);
	xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, platform->getScreen()->root, x, y, 300, 200, 0,
	                  XCB_WINDOW_CLASS_INPUT_OUTPUT, platform->getScreen()->root_visual, 0, nullptr);
	xcb_map_window(connection, window);

	auto frame = new CFrame(CRect(0, 0, 300, 200));
	auto taking = new CView(CRect(0, 0, 150, 200));
	taking->setDropTarget(makeOwned<PrintingDropTarget>());
	frame->addView(taking);
	frame->addView(new CView(CRect(150, 0, 300, 200)));
	if (!frame->open(reinterpret_cast<void*>(uintptr_t(window)), kX11Window))
		return 3;
	// A round trip: the window is up for every client once it returns.
	std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
	std::printf("ready\n");
	std::fflush(stdout);

	auto loop = static_cast<DefaultRunLoop*>(platform->getRunLoop());
	auto input = loop->watchFileDescriptor(0, [loop] {
		char buffer[256];
		if (::read(0, buffer, sizeof(buffer)) <= 0)
			loop->quit();
	});
	loop->run();
	loop->unwatchFileDescriptor(input);

	frame->close();
	xcb_destroy_window(connection, window);
	xcb_flush(connection);
	setPlatform(nullptr);
	return 0;
}
