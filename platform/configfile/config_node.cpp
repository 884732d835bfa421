#include "configfile/config_node.h"

#include <stdexcept>

namespace standin_config {

namespace {

std::string describe(const nlohmann::json& value) {
    std::string text = value.dump();
    if (text.size() > 40)
        text = text.substr(0, 37) + "...";
    return text;
}

// The whole document's keys against those read, depth first.
void checkRead(const nlohmann::json& value, const std::string& path,
               const std::map<const nlohmann::json*, std::set<std::string>>& read) {
    if (value.is_object()) {
        const auto found = read.find(&value);
        for (const auto& [key, member] : value.items()) {
            if (found == read.end() || found->second.count(key) == 0)
                throw std::runtime_error(path + "/" + key + ": unknown key");
            checkRead(member, path + "/" + key, read);
        }
    } else if (value.is_array()) {
        for (std::size_t i = 0; i < value.size(); ++i)
            checkRead(value[i], path + "/" + std::to_string(i), read);
    }
}

// The parser keeps the last of a key given twice in one object; a file
// saying two things about one value is refused instead, by the place of the
// second. A pass over the parser's events, before the document is built,
// follows the place of every object and array being read and the keys each
// object has given so far. (The parser's callback form would do the same in
// one pass, but it looks through the whole parent at the end of every
// object: quadratic in a long array of objects.)
class DuplicateKeys final : public nlohmann::json_sax<nlohmann::json> {
public:
    bool null() override { return counted(); }
    bool boolean(bool) override { return counted(); }
    bool number_integer(number_integer_t) override { return counted(); }
    bool number_unsigned(number_unsigned_t) override { return counted(); }
    bool number_float(number_float_t, const string_t&) override { return counted(); }
    bool string(string_t&) override { return counted(); }
    bool binary(binary_t&) override { return counted(); }
    bool start_object(std::size_t) override { return opened(false); }
    bool start_array(std::size_t) override { return opened(true); }
    bool key(string_t& key) override {
        Open& object = open_.back();
        object.key = key;
        if (!object.keys.insert(key).second)
            throw std::runtime_error(object.place + "/" + key + ": duplicate key");
        return true;
    }
    bool end_object() override { return closed(); }
    bool end_array() override { return closed(); }
    // The building parse that follows reports what is wrong.
    bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception&) override {
        return false;
    }

private:
    struct Open {
        bool array;
        std::string place;
        std::set<std::string> keys; // an object's keys so far
        std::size_t elements;       // an array's elements so far
        std::string key;            // an object's latest key
    };

    bool opened(bool array) {
        open_.push_back({array, placeOfNext(), {}, 0, {}});
        return true;
    }
    bool closed() {
        open_.pop_back();
        return counted();
    }
    // The place of the value that starts now.
    std::string placeOfNext() const {
        if (open_.empty())
            return "";
        const Open& parent = open_.back();
        return parent.place + "/" + (parent.array ? std::to_string(parent.elements) : parent.key);
    }
    bool counted() {
        if (!open_.empty() && open_.back().array)
            ++open_.back().elements;
        return true;
    }

    std::vector<Open> open_;
};

} // namespace

void Node::refuse(const std::string& reason) const {
    throw std::runtime_error((path_.empty() ? std::string("the file") : path_) + ": " + reason);
}

bool Node::contains(const std::string& key) const {
    if (!json_->is_object())
        refuse("expected an object, found " + describe(*json_));
    return json_->contains(key);
}

Node Node::at(const std::string& key) const {
    if (!json_->is_object())
        refuse("expected an object, found " + describe(*json_));
    const auto found = json_->find(key);
    if (found == json_->end())
        refuse("the key \"" + key + "\" is missing");
    (*read_)[json_].insert(key);
    return Node(&*found, path_ + "/" + key, read_);
}

Node Node::at(std::size_t index) const {
    if (!json_->is_array())
        refuse("expected an array, found " + describe(*json_));
    if (index >= json_->size())
        refuse("expected at least " + std::to_string(index + 1) + " elements, found " +
               std::to_string(json_->size()));
    return Node(&(*json_)[index], path_ + "/" + std::to_string(index), read_);
}

std::vector<Node> Node::elements() const {
    if (!json_->is_array())
        refuse("expected an array, found " + describe(*json_));
    std::vector<Node> out;
    for (std::size_t i = 0; i < json_->size(); ++i)
        out.push_back(at(i));
    return out;
}

std::vector<Node> Node::elements(const std::string& key) const {
    return contains(key) ? at(key).elements() : std::vector<Node>();
}

std::vector<std::pair<std::string, Node>> Node::members() const {
    if (!json_->is_object())
        refuse("expected an object, found " + describe(*json_));
    std::vector<std::pair<std::string, Node>> out;
    for (const auto& [key, value] : json_->items())
        out.emplace_back(key, at(key));
    return out;
}

std::size_t Node::keyIndex(std::size_t count) const {
    const std::string key = path_.substr(path_.rfind('/') + 1);
    std::size_t index = 0;
    bool digits = !key.empty() && key.size() <= 9;
    for (char c : key) {
        digits = digits && c >= '0' && c <= '9';
        index = index * 10 + static_cast<std::size_t>(c - '0');
    }
    if (!digits || index >= count)
        refuse("expected a key from 0 to " + std::to_string(count - 1));
    return index;
}

std::uint64_t Node::integer(std::int64_t min, std::uint64_t max) const {
    const auto outside = [&] {
        refuse(describe(*json_) + " is outside " + std::to_string(min) + ".." +
               std::to_string(max));
    };
    if (json_->is_number_unsigned()) {
        const auto v = json_->get<std::uint64_t>();
        if (v > max || (min > 0 && v < static_cast<std::uint64_t>(min)))
            outside();
        return v;
    }
    if (json_->is_number_integer()) {
        const auto v = json_->get<std::int64_t>();
        if (v < min || (v >= 0 && static_cast<std::uint64_t>(v) > max))
            outside();
        return static_cast<std::uint64_t>(v);
    }
    refuse("expected a whole number, found " + describe(*json_));
}

double Node::number() const {
    if (!json_->is_number())
        refuse("expected a number, found " + describe(*json_));
    return json_->get<double>();
}

const std::string& Node::text() const {
    if (!json_->is_string())
        refuse("expected a text, found " + describe(*json_));
    return json_->get_ref<const std::string&>();
}

bool Node::boolean() const {
    if (!json_->is_boolean())
        refuse("expected true or false, found " + describe(*json_));
    return json_->get<bool>();
}

Document::Document(const std::string& text) {
    try {
        DuplicateKeys duplicates;
        nlohmann::json::sax_parse(text, &duplicates);
        json_ = nlohmann::json::parse(text);
    } catch (const nlohmann::json::parse_error& e) {
        throw std::runtime_error(std::string("not JSON: ") + e.what());
    }
    if (!json_.is_object())
        root().refuse("expected an object, found " + describe(json_));
}

void Document::finish() const {
    checkRead(json_, "", read_);
}

} // namespace standin_config
