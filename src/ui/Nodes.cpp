#include "ui/Nodes.h"

namespace ui {

namespace detail {
Node container(NodeKind kind, std::vector<Node> children) {
    Node n(kind);
    n.mut().children = std::move(children);
    return n;
}
}  // namespace detail

Node VStack(VStackOptions options, std::vector<Node> children) {
    Node n = detail::container(NodeKind::vstack, std::move(children));
    n.mut().hAlignment = options.alignment;
    n.mut().spacing = options.spacing;
    return n;
}

Node HStack(HStackOptions options, std::vector<Node> children) {
    Node n = detail::container(NodeKind::hstack, std::move(children));
    n.mut().vAlignment = options.alignment;
    n.mut().spacing = options.spacing;
    return n;
}

Node ZStack(ZStackOptions options, std::vector<Node> children) {
    Node n = detail::container(NodeKind::zstack, std::move(children));
    n.mut().alignment = options.alignment;
    return n;
}

Node Text(std::string text) {
    Node n(NodeKind::text);
    n.mut().text = std::move(text);
    return n;
}

namespace {
Node imageNode(ImageContent content) {
    Node n(NodeKind::image);
    n.mut().image = std::move(content);
    return n;
}
}  // namespace

Node Image::system(std::string symbolName) {
    ImageContent c;
    c.source = ImageContent::Source::symbol;
    c.name = std::move(symbolName);
    return imageNode(std::move(c));
}

Node Image::asset(std::string assetName) {
    ImageContent c;
    c.source = ImageContent::Source::asset;
    c.name = std::move(assetName);
    return imageNode(std::move(c));
}

Node Image::of(platform::Image image) {
    ImageContent c;
    c.source = ImageContent::Source::image;
    c.image = std::move(image);
    return imageNode(std::move(c));
}

Node Image::file(const std::filesystem::path& path) {
    auto image = platform::Image::fromFile(path);
    return image ? of(std::move(*image)) : Empty();
}

Node Label(std::string title, std::string symbolName) {
    Node n(NodeKind::label);
    n.mut().text = std::move(title);
    n.mut().symbol = std::move(symbolName);
    return n;
}

Node Label(std::string title, Node icon) {
    Node n(NodeKind::label);
    n.mut().text = std::move(title);
    n.mut().children.push_back(std::move(icon));
    return n;
}

Node Spacer(std::optional<double> minLength) {
    Node n(NodeKind::spacer);
    n.mut().minLength = minLength;
    return n;
}

Node Divider() { return Node(NodeKind::divider); }

Node Fill(platform::Color color) {
    Node n(NodeKind::color);
    n.mut().color = color;
    return n;
}

Node ProgressView() { return Node(NodeKind::progress); }

Node ProgressView(double value, double total) {
    Node n(NodeKind::progress);
    n.mut().value = value;
    n.mut().total = total;
    return n;
}

Node ContentUnavailable(std::string title, std::string symbolName, std::string description) {
    Node n(NodeKind::contentUnavailable);
    n.mut().text = std::move(title);
    n.mut().symbol = std::move(symbolName);
    n.mut().detail = std::move(description);
    return n;
}

namespace {
Node shapeNode(const Shape& s) {
    Node n(NodeKind::shape);
    n.mut().shape = s;
    return n;
}
ShapeView shapeOf(Shape::Kind kind, double radius = 0, bool continuous = true) {
    ShapeView v;
    v.kind = kind;
    v.cornerRadius = radius;
    v.continuous = continuous;
    return v;
}
}  // namespace

Node ShapeView::fill(platform::Color color) const {
    Node n = shapeNode(*this);
    n.mut().fill = color;
    return n;
}

Node ShapeView::stroke(platform::Color color, double lineWidth, std::vector<double> dash) const {
    Node n = shapeNode(*this);
    n.mut().strokeColor = color;
    n.mut().stroke = StrokeStyle{lineWidth, std::move(dash)};
    return n;
}

Node ShapeView::strokeBorder(platform::Color color, double lineWidth, std::vector<double> dash) const {
    Node n = stroke(color, lineWidth, std::move(dash));
    n.mut().strokeInside = true;
    return n;
}

ShapeView::operator Node() const { return shapeNode(*this); }

ShapeView Rectangle() { return shapeOf(Shape::Kind::rectangle); }
ShapeView RoundedRectangle(double cornerRadius, bool continuous) {
    return shapeOf(Shape::Kind::roundedRectangle, cornerRadius, continuous);
}
ShapeView Circle() { return shapeOf(Shape::Kind::circle); }
ShapeView Capsule() { return shapeOf(Shape::Kind::capsule); }
ShapeView Ellipse() { return shapeOf(Shape::Kind::ellipse); }

Node Button(std::string title, std::function<void()> action) { return Button(std::move(action), Text(std::move(title))); }

Node Button(std::function<void()> action, Node label) {
    Node n(NodeKind::button);
    n.mut().action = std::move(action);
    n.mut().children.push_back(std::move(label));
    return n;
}

Node Toggle(std::string title, Binding<bool> isOn) {
    Node n = Toggle(std::move(isOn), Text(title));
    n.mut().text = std::move(title);
    return n;
}

Node Toggle(Binding<bool> isOn, Node label) {
    Node n(NodeKind::toggle);
    n.mut().isOn = std::move(isOn);
    n.mut().children.push_back(std::move(label));
    return n;
}

Node TextField(std::string prompt, Binding<std::string> text) {
    Node n(NodeKind::textField);
    n.mut().text = std::move(prompt);
    n.mut().textValue = std::move(text);
    return n;
}

Node Link(std::string title, std::string url) {
    Node n(NodeKind::link);
    n.mut().detail = std::move(url);
    n.mut().children.push_back(Text(title));
    n.mut().text = std::move(title);
    return n;
}

Node Menu(Node label, std::vector<Node> items) {
    Node n(NodeKind::menu);
    n.mut().children.push_back(std::move(label));
    n.mut().items = std::move(items);
    return n;
}

Node Menu(std::string title, std::vector<Node> items) {
    Node n = Menu(Text(title), std::move(items));
    n.mut().text = std::move(title);
    return n;
}

Node ScrollView(Axes axes, Node content) {
    Node n = detail::container(NodeKind::scrollView, {std::move(content)});
    n.mut().axes = axes;
    return n;
}

Node LazyVGrid(GridOptions options, std::vector<Node> children) {
    Node n = detail::container(NodeKind::lazyVGrid, std::move(children));
    n.mut().columns = std::move(options.columns);
    n.mut().hAlignment = options.alignment;
    n.mut().spacing = options.spacing;
    return n;
}

Node Section(std::string header, std::vector<Node> content, std::string footer) {
    Node n = detail::container(NodeKind::section, std::move(content));
    n.mut().text = std::move(header);
    n.mut().detail = std::move(footer);
    return n;
}

Node Form(std::vector<Node> sections) { return detail::container(NodeKind::form, std::move(sections)); }

Node List(std::vector<Node> rows) { return detail::container(NodeKind::list, std::move(rows)); }

Node ViewThatFits(Axis axis, std::vector<Node> candidates) {
    Node n = detail::container(NodeKind::viewThatFits, std::move(candidates));
    n.mut().axes = axis == Axis::horizontal ? Axes::horizontal : Axes::vertical;
    return n;
}

}  // namespace ui
